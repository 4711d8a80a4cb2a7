// Site-to-site copies: the destination server is put in passive mode and told
// to store, the source server is given that address with PORT and told to
// retrieve. Between two IPv6 servers the commands are EPSV and EPRT; over
// IPv4 they stay PASV and PORT, as servers commonly refuse EPRT to a third
// party's address. The two sessions meet only through tasks posted onto
// each other; so does the check of a copy, where the destination asks the
// source's session for its server's hash of the original.

#include "ftp/FtpProtocol.h"

#include "ftp/FolderWalk.h"
#include "ftp/ReplyParsing.h"
#include "model/RemoteFolder.h"
#include "model/RemotePath.h"
#include "platform/Ticks.h"

#include <optional>

namespace varnix {
namespace {

// Fills the work list the destination session carries out: each folder to
// make, then the files to copy into it.
class SiteFolderWalk : public FolderWalk {
public:
    SiteFolderWalk(FtpProtocol& engine, SiteWorkList& work) : FolderWalk(engine), work_(work) {}

private:
    void startFolder(const Folder& folder) override
    {
        work_.items.push_back({folder.copyParent, folder.parent, folder.copyName, folder.name, 0, 0, true});
    }

    void copyFile(const Folder& folder, const std::string& remote, const RemoteFile& entry) override
    {
        work_.items.push_back(
            {copyPath(folder), remote, entry.name(), entry.name(), entry.modified(), entry.size(), false});
    }

    // A server-side link cannot be made with FTP commands.
    void linkIntoCopy(const Folder& link, const std::string&) override
    {
        engine_.Status("Skipping link " + joinRemotePath(link.parent, link.name) + ": its folder is copied already");
    }

    SiteWorkList& work_;
};

// Both servers encrypt the copy's data connection, or neither does: a TLS
// server and a plain one cannot talk to each other.
void requireSameProtection(bool secure, DataProtection other)
{
    if (other == DataProtection::Unknown || secure == (other == DataProtection::Private))
        return;
    throw CFTPException(std::string("Cannot copy between a site that encrypts its data connections and one that "
                                    "does not (the ") + (secure ? "source" : "destination") + " is not encrypted)");
}

// An IPv4 server cannot reach an IPv6 one's data port, nor the reverse.
void requireSameFamily(IpVersion own, IpVersion other)
{
    if (own == IpVersion::Unknown || other == IpVersion::Unknown || own == other)
        return;
    throw CFTPException(std::string("Cannot copy between an IPv4 and an IPv6 site: neither server can reach the "
                                    "other (the destination is on ") + (own == IpVersion::V6 ? "IPv6)" : "IPv4)"));
}

} // namespace

std::uint64_t FtpProtocol::SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                                          SitePeer* sourceSession, const std::string& targetName,
                                          const std::string& sourceName, bool resume)
{
    SetDirectory(destinationFolder);
    std::uint64_t offset = 0;
    if (resume) {
        SendCommand("SIZE " + targetName);
        // A destination that has no such file yet refuses SIZE: start from
        // the beginning rather than fail every retry of the copy.
        try {
            offset = parseReplyNumber(ReadReply("2")).value_or(0);
        } catch (const CFTPException&) {
            offset = 0;
        }
    }
    const bool secure = dataProtection_ == DataProtection::Private;
    requireSameProtection(secure, sourceSession->dataProtection());
    requireSameFamily(ipVersion(), sourceSession->ipVersion());
    const bool extended = control_.IsIpv6();
    PassiveAddress address = secure ? openSecureSitePassive(extended) : openSitePassive(extended);
    SendCommand((resume && offset > 0 ? "APPE " : "STOR ") + targetName);
    sourceSession->SiteDownloadFile(sourceFolder, address.host, address.port, sourceName, offset, secure);
    ReadReply("1");
    replyPending_ = true;
    ReadReply("2");
    storeEmptyListing(destinationFolder);
    VerifySiteCopy(destinationFolder, targetName, sourceSession, sourceFolder, sourceName);
    return offset;
}

void FtpProtocol::SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                   std::uint16_t dataPort, const std::string& sourceName,
                                   std::uint64_t restartOffset, bool secureData)
{
    requireSameProtection(secureData, dataProtection_);
    SetDirectory(sourceFolder);
    const bool extended = dataAddress.find(':') != std::string::npos;
    requireSameFamily(extended ? IpVersion::V6 : IpVersion::V4, ipVersion());
    std::uint64_t start = tickCount();
    std::uint64_t size = GetRemoteSize(sourceFolder, sourceName);
    // With an unknown size the file is sent anyway: treating it as complete
    // would leave an empty copy at the destination. Over TLS the destination
    // expects a handshake we cannot give; the server sends the empty rest.
    if (size != kUnknownSize && restartOffset >= size && !secureData) {
        mailbox_->sendProgress(0, 0, restartOffset, 0, {});
        data_.Close();
        data_.Create(false);
        data_.Connect(dataAddress, dataPort);
        data_.Close();
        return;
    }
    // The notices count from the offset, as a download's do: the rest is what moves.
    // Over TLS a copy already whole comes here too, and moves nothing.
    const std::uint64_t rest =
        size == kUnknownSize ? kUnknownSize : size > restartOffset ? size - restartOffset : 0;
    mailbox_->sendProgress(0, 0, restartOffset, rest, {});
    SendCommand(extended ? "EPRT " + formatExtendedPortArgument(dataAddress, dataPort)
                         : "PORT " + formatPortArgument(dataAddress, dataPort));
    ReadReply("2");
    if (restartOffset != 0) {
        SendCommand("REST " + std::to_string(restartOffset));
        ReadReply("3");
    }
    SendCommand("RETR " + sourceName);
    ReadReply("1");
    replyPending_ = true;
    ReadReply("2");
    if (restartOffset != 0) {
        SendCommand("REST 0");
        ReadReply("3");
    }
    mailbox_->sendProgress(tickCount() - start, size == kUnknownSize ? 0 : rest, restartOffset, rest, {});
}

// The destination's data address for a copy: PASV's, or over IPv6 the
// port of EPSV at the address we reach the server at.
PassiveAddress FtpProtocol::openSitePassive(bool extended)
{
    SendCommand(extended ? "EPSV" : "PASV");
    const std::string reply = ReadReply("2");
    if (!extended)
        return parsePassiveReply(reply);
    std::optional<std::uint16_t> port = parseExtendedPassiveReply(reply);
    if (!port)
        throw CFTPException("Server returned no usable extended passive port: " + reply);
    return {control_.PeerAddress(), *port};
}

void FtpProtocol::SiteDownloadFolder(const std::string& sourceParent, const std::string& destinationParent,
                                     SitePeer* thisSession, SitePeer* destinationSession,
                                     const std::string& targetName, const std::string& sourceName, bool resume,
                                     bool onlyNewer)
{
    auto work = makeShared<SiteWorkList>();
    SiteFolderWalk(*this, *work).run({sourceParent, sourceName, destinationParent, targetName});
    destinationSession->SiteUploadFolder(work, thisSession, resume, onlyNewer);
}

// The folder's bytes are reported here, as a folder download reports them:
// the source session's notices know one file each.
void FtpProtocol::SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume, bool onlyNewer)
{
    const std::uint64_t start = tickCount();
    std::uint64_t total = 0;
    while (!workList->items.empty()) {
        SiteWorkItem item = std::move(workList->items.front());
        workList->items.pop_front();
        FoundEntry existing = FindRemoteFile(item.destinationFolder, item.targetName);
        if (item.isFolder) {
            if (existing && existing.entry->isFolder())
                continue;
            if (existing)
                DeleteFile(item.destinationFolder, item.targetName);
            MakeFolder(item.destinationFolder, item.targetName);
        } else if (!(onlyNewer && existing && existing.entry->modified() >= item.sourceTime)) {
            const std::uint64_t offset = SiteUploadFile(item.destinationFolder, item.sourceFolder, sourceSession,
                                                        item.targetName, item.sourceName, resume);
            total += item.sourceSize > offset ? item.sourceSize - offset : 0;
        }
    }
    mailbox_->sendProgress(tickCount() - start, total, 0, total, {});
}

} // namespace varnix
