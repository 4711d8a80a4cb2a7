// Commands that change the server's tree without moving file data. Each runs
// inside the folder that holds its object, so the names it sends are
// relative to that folder.

#include "ftp/EntryNames.h"
#include "ftp/FtpProtocol.h"
#include "model/RemoteFolder.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace varnix {

namespace {

// At least three octal digits with leading zeros; higher bits add digits.
std::string octalMode(std::uint32_t mode)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.3o", static_cast<unsigned>(mode));
    return text;
}

void sendExpecting(FtpProtocol& engine, const std::string& command, std::string_view accepted)
{
    engine.SendCommand(command);
    engine.ReadReply(accepted);
}

bool skipUnsafe(FtpProtocol& engine, const RemoteFile& entry)
{
    if (isPlainEntryName(entry.name()))
        return false;
    engine.Status("Skipping unsafe name " + entry.name());
    return true;
}

// A server that reports a subfolder under the path of one of the folders
// around it would otherwise send the removal round in circles until the
// stack gives out.
void refuseLoop(const std::vector<std::string>& ancestors, const std::string& path)
{
    if (std::find(ancestors.begin(), ancestors.end(), path) != ancestors.end())
        throw CFTPException("Folder " + path + " leads back to a folder being removed");
}

void removeTree(FtpProtocol& engine, const std::string& folder, const std::string& name,
                std::vector<std::string>& ancestors)
{
    FolderHandle listing = engine.ListFolder(folder, name, false);
    for (const RemoteFile& entry : *listing) {
        if (skipUnsafe(engine, entry))
            continue;
        std::string path = engine.ResolvePath(folder, name);
        // A link is removed as a name; its target, folder or not, is never entered.
        if (!entry.isFolder() || entry.isLink()) {
            engine.DeleteFile(path, entry.name());
            continue;
        }
        refuseLoop(ancestors, path);
        ancestors.push_back(path);
        removeTree(engine, path, entry.name(), ancestors);
        ancestors.pop_back();
    }
    engine.SetDirectory(folder);
    sendExpecting(engine, "RMD " + name, "2");
}

} // namespace

void FtpProtocol::MakeFolder(const std::string& folder, const std::string& name)
{
    SetDirectory(folder);
    sendExpecting(*this, "MKD " + name, "2");
}

// Depth-first in listing order. The first refusal ends the whole removal:
// what is already gone stays gone and the rest is left as it is.
void FtpProtocol::RemoveFolder(const std::string& folder, const std::string& name)
{
    std::vector<std::string> ancestors;
    removeTree(*this, folder, name, ancestors);
}

void FtpProtocol::DeleteFile(const std::string& folder, const std::string& name)
{
    SetDirectory(folder);
    sendExpecting(*this, "DELE " + name, "2");
}

// A refused RNTO leaves the server holding the rename source; the next RNFR
// replaces it, so nothing is done about it here.
void FtpProtocol::Rename(const std::string& folder, const std::string& newName, const std::string& oldName)
{
    SetDirectory(folder);
    sendExpecting(*this, "RNFR " + oldName, "23");
    sendExpecting(*this, "RNTO " + newName, "2");
}

void FtpProtocol::Chown(const std::string& folder, const std::string& name, const std::string& user,
                        const std::string& group)
{
    SetDirectory(folder);
    sendExpecting(*this, "SITE CHOWN " + user + ":" + group + " " + name, "2");
}

void FtpProtocol::Chmod(const std::string& folder, const std::string& name, std::uint32_t mode)
{
    SetDirectory(folder);
    sendExpecting(*this, "SITE CHMOD " + octalMode(mode) + " " + name, "2");
}

} // namespace varnix
