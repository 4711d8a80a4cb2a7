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

// A hostile or confused server may report a subfolder under the path of a
// folder around it (its parent included). Removing that would delete what
// the user never chose, or send the removal round in circles, so it is
// refused before anything of it is touched.
void refuseLoop(const std::vector<std::string>& around, const std::string& path)
{
    if (std::find(around.begin(), around.end(), path) != around.end())
        throw CFTPException("Folder " + path + " leads back to a folder around it");
}

void removeTree(FtpProtocol& engine, const std::string& folder, const std::string& name,
                std::vector<std::string>& around)
{
    FolderHandle listing = engine.ListFolder(folder, name, false, FtpProtocol::ListingUse::Walk);
    for (const RemoteFile& entry : *listing) {
        if (skipUnsafe(engine, entry))
            continue;
        std::string path = engine.ResolvePath(folder, name);
        refuseLoop(around, path);
        // A link is removed as a name; its target, folder or not, is never entered.
        if (!entry.isFolder() || entry.isLink()) {
            engine.DeleteFile(path, entry.name());
            continue;
        }
        around.push_back(path);
        removeTree(engine, path, entry.name(), around);
        around.pop_back();
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
    // A machine listing may have shown a link as the folder it leads to
    // (pyftpdlib's MLSD does). The parent's LIST says which it is, and a
    // link is removed as a name, never entered.
    if (features_.offers("MLST")) {
        const FolderHandle parent = ListFolder(folder, {}, false, ListingUse::Walk);
        const RemoteFile* entry = parent->find(name);
        if (entry && entry->isLink()) {
            DeleteFile(folder, name);
            return;
        }
    }
    std::vector<std::string> around{folder};
    removeTree(*this, folder, name, around);
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
