// File times family: a remote file's time, to the second where the server
// can say it (MLSD facts, MDTM), and an uploaded file's time kept on the
// server (MFMT).

#include "ftp/FtpProtocol.h"
#include "model/MachineTime.h"
#include "model/RemoteFolder.h"

#include <sys/stat.h>

namespace varnix {

// A LIST line gives the minute or only the day, in a zone the server does
// not name; MDTM gives the second in UTC. A refused MDTM leaves the
// listing's time.
std::int64_t FtpProtocol::GetRemoteTime(const std::string& folder, const std::string& name)
{
    return exactRemoteTime(folder, name, FindRemoteFile(folder, name));
}

std::int64_t FtpProtocol::exactRemoteTime(const std::string& folder, const std::string& name,
                                          const FoundEntry& listed)
{
    if (!listed)
        return 0;
    const RemoteFile& entry = *listed.entry;
    if (listed.folder->exactTimes() || entry.isFolder() || !features_.offers("MDTM"))
        return entry.modified();
    SetDirectory(folder);
    return askRemoteTime(name).value_or(entry.modified());
}

std::optional<std::int64_t> FtpProtocol::askRemoteTime(const std::string& name)
{
    std::string reply;
    try {
        SendCommand("MDTM " + name);
        reply = ReadReply("2");
    } catch (const CFTPException&) {
        if (!IsConnected())
            throw;
        return std::nullopt;
    }
    std::string_view time = std::string_view(reply).substr(4);
    return parseMachineTime(time.substr(0, time.find_first_of(" \r\n")));
}

// The upload is complete whatever the answer: a refused MFMT is only
// logged (its reply already is).
void FtpProtocol::keepUploadTime(const std::string& name, const std::string& localPath)
{
    struct stat info {};
    if (!features_.offers("MFMT") || ::stat(localPath.c_str(), &info) != 0)
        return;
    const std::string time = formatMachineTime(static_cast<std::int64_t>(info.st_mtime));
    if (time.empty())
        return;
    try {
        SendCommand("MFMT " + time + " " + name);
        ReadReply("2");
    } catch (const CFTPException&) {
        if (!IsConnected())
            throw;
    }
}

} // namespace varnix
