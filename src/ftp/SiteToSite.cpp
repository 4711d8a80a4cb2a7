// Site-to-site copies take one of two routes.
//
// Server to server: the destination server is put in passive mode and told
// to store, the source server is given that address with PORT and told to
// retrieve. Between two IPv6 servers the commands are EPSV and EPRT; over
// IPv4 they stay PASV and PORT, as servers commonly refuse EPRT to a third
// party's address.
//
// Through Varnix: the source session retrieves the file over a data
// connection of its own and hands the bytes through a bounded buffer to
// the destination session, which stores them over its own. This works
// wherever each server accepts its own client, which is everywhere;
// servers in their default configuration refuse the first route.
//
// SiteToSiteRoute chooses. Under 0 a pair of servers that refuses each
// other once is remembered, and the copy goes on at once through Varnix.
// The two sessions meet only through tasks posted onto each other and the
// link those tasks share; so does the check of a copy, where the
// destination asks the source's session for its server's hash.

#include "ftp/FtpProtocol.h"

#include "ftp/FolderWalk.h"
#include "ftp/ReplyParsing.h"
#include "ftp/SiteRoutes.h"
#include "model/RemoteFolder.h"
#include "model/RemotePath.h"
#include "net/SigpipeGuard.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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

constexpr const char* kServerToServer = "server to server";
constexpr const char* kThroughVarnix = "through Varnix";
// A relay moves blocks of at least this much between the two connections.
constexpr std::uint32_t kRelayBlock = 256u * 1024;

// The servers will not reach each other; the reason as the user reads it.
struct SiteRefusal {
    std::string reason;
};

// A side's wait can be cut short by the other side while it runs.
class WakeOnLink {
public:
    WakeOnLink(SiteCopyLink& link, SiteCopyLink::Side side, std::function<void()> wake) : link_(link), side_(side)
    {
        link_.setWake(side_, std::move(wake));
    }
    ~WakeOnLink() { link_.setWake(side_, {}); }
    WakeOnLink(const WakeOnLink&) = delete;
    WakeOnLink& operator=(const WakeOnLink&) = delete;

private:
    SiteCopyLink& link_;
    SiteCopyLink::Side side_;
};

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

// 425 and 426: the data connection could not be made or was cut.
bool isDataRefusal(const std::string& reply)
{
    return reply.starts_with("425") || reply.starts_with("426");
}

// A 4xx reply is the server's word that the same request may work later
// (426 transfer aborted, 425 no data connection): worth an automatic retry,
// which resumes what arrived.
void markTransient(CFTPException& e)
{
    if (e.recovery == RecoveryNone && e.message.starts_with('4'))
        e.recovery = RecoveryRetry;
}

// Both servers encrypt the copy's data connection, or neither does: a TLS
// server and a plain one cannot talk to each other.
std::optional<std::string> protectionMismatch(bool secure, DataProtection other)
{
    if (other == DataProtection::Unknown || secure == (other == DataProtection::Private))
        return std::nullopt;
    return std::string("one site encrypts its data connections and the other does not (the ") +
           (secure ? "source" : "destination") + " is not encrypted)";
}

// An IPv4 server cannot reach an IPv6 one's data port, nor the reverse.
std::optional<std::string> familyMismatch(IpVersion own, IpVersion other)
{
    if (own == IpVersion::Unknown || other == IpVersion::Unknown || own == other)
        return std::nullopt;
    return std::string("one site is on IPv4 and the other on IPv6 (the destination is on ") +
           (own == IpVersion::V6 ? "IPv6)" : "IPv4)");
}

} // namespace

std::uint64_t FtpProtocol::SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                                          SitePeer* sourceSession, const std::string& targetName,
                                          const std::string& sourceName, bool resume)
{
    SetDirectory(destinationFolder);
    const bool existed = static_cast<bool>(FindRemoteFile(destinationFolder, targetName));
    const std::uint64_t offset = siteCopyOffset(targetName, resume);
    const SiteToSiteRoute route = LockedAccess<SiteContext>(site_)->settings().siteToSiteRoute();
    const std::string source = sourceSession->siteIdentity();
    const std::string destination = LockedAccess<SiteContext>(site_)->identity();
    const bool relay = route == SiteToSiteRoute::ThroughVarnix ||
                       (route == SiteToSiteRoute::Either && refusedEachOther(source, destination));
    if (!relay) {
        try {
            return serverToServer(destinationFolder, sourceFolder, sourceSession, targetName, sourceName, offset);
        } catch (const SiteRefusal& refusal) {
            removeEmptyCopy(destinationFolder, targetName, existed);
            if (route == SiteToSiteRoute::ServerToServer)
                throw CFTPException("Cannot copy server to server: " + refusal.reason +
                                    "; SiteToSiteRoute 0 or 2 copies through Varnix instead");
            rememberRefusal(source, destination);
            Status("Cannot copy server to server (" + refusal.reason + "): copying through Varnix");
        }
    }
    relayThroughVarnix(destinationFolder, sourceFolder, sourceSession, targetName, sourceName, offset, existed);
    return offset;
}

// The size of the destination's copy, to resume from.
std::uint64_t FtpProtocol::siteCopyOffset(const std::string& targetName, bool resume)
{
    if (!resume)
        return 0;
    SendCommand("SIZE " + targetName);
    // A destination that has no such file yet refuses SIZE: start from
    // the beginning rather than fail every retry of the copy.
    try {
        return parseReplyNumber(ReadReply("2")).value_or(0);
    } catch (const CFTPException&) {
        return 0;
    }
}

// The destination's part of a copy server to server. Whatever shows that
// the servers will not reach each other, here or on the source's side,
// throws SiteRefusal once both sides have stopped.
std::uint64_t FtpProtocol::serverToServer(const std::string& destinationFolder, const std::string& sourceFolder,
                                          SitePeer* sourceSession, const std::string& targetName,
                                          const std::string& sourceName, std::uint64_t offset)
{
    const bool secure = dataProtection_ == DataProtection::Private;
    if (auto mismatch = protectionMismatch(secure, sourceSession->dataProtection()))
        throw SiteRefusal{*mismatch};
    if (auto mismatch = familyMismatch(ipVersion(), sourceSession->ipVersion()))
        throw SiteRefusal{*mismatch};
    const bool extended = control_.IsIpv6();
    PassiveAddress address;
    try {
        address = secure ? openSecureSitePassive(extended) : openSitePassive(extended);
    } catch (const CFTPException& e) {
        if (!IsConnected())
            throw;
        throw SiteRefusal{firstLine(e.GetErrorMessage())};
    }
    auto link = std::make_shared<SiteCopyLink>(1);
    WakeOnLink wake(*link, SiteCopyLink::Side::Destination, [this] { RequestAbort(); });
    SendCommand((offset > 0 ? "APPE " : "STOR ") + targetName);
    sourceSession->SiteDownloadFile(sourceFolder, address.host, address.port, sourceName, offset, secure, link);
    try {
        ReadReply("1");
        replyPending_ = true;
        ReadReply("2");
    } catch (const CAbortException&) {
        if (link->state() == SiteCopyLink::State::Running) {
            link->abandon(SiteCopyLink::Side::Destination);
            throw;
        }
        // The source stopped the wait for this server's reply, which may still come.
        releaseOffer(address);
        if (link->state() == SiteCopyLink::State::Refused)
            throw SiteRefusal{link->reason()};
        throw CopyPartEnded{};
    } catch (const CFTPException& e) {
        if (!isDataRefusal(e.GetErrorMessage())) {
            link->abandon(SiteCopyLink::Side::Destination);
            throw;
        }
        link->refuse(SiteCopyLink::Side::Destination, firstLine(e.GetErrorMessage()));
        throw SiteRefusal{firstLine(e.GetErrorMessage())};
    } catch (const CNetException& e) {
        if (e.error != ETIMEDOUT) {
            link->abandon(SiteCopyLink::Side::Destination);
            throw;
        }
        link->refuse(SiteCopyLink::Side::Destination, "no data connection came within the time-out");
        releaseOffer(address);
        throw SiteRefusal{"no data connection came within the time-out"};
    }
    storeEmptyListing(destinationFolder);
    VerifySiteCopy(destinationFolder, targetName, sourceSession, sourceFolder, sourceName);
    return offset;
}

// The destination's part of a copy through Varnix. The file is created only
// once the source's server has agreed to send it.
void FtpProtocol::relayThroughVarnix(const std::string& destinationFolder, const std::string& sourceFolder,
                                     SitePeer* sourceSession, const std::string& targetName,
                                     const std::string& sourceName, std::uint64_t offset, bool existed)
{
    auto link = std::make_shared<SiteCopyLink>();
    const auto cancelled = [this] { throwIfCancelled(); };
    sourceSession->SiteRelayFile(sourceFolder, sourceName, offset, link);
    std::uint64_t moved = 0;
    try {
        if (!link->waitForSource(cancelled))
            throw CopyPartEnded{};
        OpenDataConnection();
        SendCommand((offset > 0 ? "APPE " : "STOR ") + targetName);
        ReadReply("1");
        replyPending_ = true;
        std::vector<char> buffer(std::max<std::size_t>(sendBufferSize(), kRelayBlock));
        moveData([&] {
            SigpipeGuard guard;
            for (std::size_t got; (got = link->read(buffer.data(), buffer.size(), cancelled)) != 0; moved += got)
                data_.SendAll(buffer.data(), got);
            data_.FinishSending();
        });
        data_.Close();
        ReadReply("2");
        // Where the servers have no hash in common, the sizes check the copy.
        const std::uint64_t size = link->sourceSize();
        if (size != kUnknownSize && offset + moved != size) {
            CFTPException shortCopy("The copy of " + targetName + " is incomplete: " +
                                    std::to_string(offset + moved) + " of " + std::to_string(size) + " bytes");
            shortCopy.recovery = RecoveryRetry;
            throw shortCopy;
        }
    } catch (CFTPException& e) {
        link->abandon(SiteCopyLink::Side::Destination);
        markTransient(e);
        throw;
    } catch (const CopyPartEnded&) {
        // The source's session reports why; what arrived stays for a resume.
        if (data_.IsConnected()) {
            data_.Close();
            try {
                ReadReply(kAnyDigit);
            } catch (const CException&) {
                resetControl();
            }
        }
        if (moved == 0)
            removeEmptyCopy(destinationFolder, targetName, existed);
        throw;
    } catch (const CAbortException&) {
        link->abandon(SiteCopyLink::Side::Destination);
        dropConnections();
        throw;
    } catch (...) {
        link->abandon(SiteCopyLink::Side::Destination);
        throw;
    }
    storeEmptyListing(destinationFolder);
    VerifySiteCopy(destinationFolder, targetName, sourceSession, sourceFolder, sourceName);
}

// A cancel mostly finds a side waiting for the other rather than for its
// server, where an ABOR would race the server's own replies: the side
// drops both connections instead (the server ends the transfer with what
// came), and its next task logs in afresh.
void FtpProtocol::dropConnections()
{
    control_.ClearAbort();
    data_.ClearAbort();
    data_.Close();
    closeControl();
}

// A copy that failed before its first byte leaves no empty file it made;
// a file that was there before stays, whatever its size.
void FtpProtocol::removeEmptyCopy(const std::string& folder, const std::string& name, bool existed)
{
    if (existed || !IsConnected())
        return;
    try {
        SetDirectory(folder);
        SendCommand("SIZE " + name);
        if (parseReplyNumber(ReadReply("2")).value_or(1) == 0)
            DeleteFile(folder, name);
    } catch (const CFTPException&) {
        // No such file, or no way to tell: nothing to remove.
    }
    storeEmptyListing(folder);
}

// The destination's server still waits for the data connection it offered,
// and may hold the file locked meanwhile: it is given one that ends at once,
// which ends the store with nothing sent, and its replies are read.
void FtpProtocol::releaseOffer(const PassiveAddress& address)
{
    control_.ClearAbort();
    data_.ClearAbort();
    try {
        data_.Close();
        data_.Create(false);
        data_.Connect(address.host, address.port);
        data_.Close();
        if (IsConnected() && ReadReply(kAnyDigit)[0] == '1')
            ReadReply(kAnyDigit);
    } catch (const CException&) {
        // The server gave no usable answer: a fresh login puts things right.
    }
    replyPending_ = false;
    if (!IsConnected())
        resetControl();
}

// Where a reply may still be on its way, the connection starts afresh.
void FtpProtocol::resetControl()
{
    control_.ClearAbort();
    data_.ClearAbort();
    data_.Close();
    closeControl();
    Connect();
}

void FtpProtocol::SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                   std::uint16_t dataPort, const std::string& sourceName,
                                   std::uint64_t restartOffset, bool secureData, SiteCopyHandle link)
{
    SiteCopyLink unlinked(1);
    SiteCopyLink& shared = link ? *link : unlinked;
    // The destination may have given up before this part began.
    if (shared.state() != SiteCopyLink::State::Running)
        throw CopyPartEnded{};
    WakeOnLink wake(shared, SiteCopyLink::Side::Source, [this] { RequestAbort(); });
    const bool extended = dataAddress.find(':') != std::string::npos;
    try {
        if (auto mismatch = protectionMismatch(secureData, dataProtection_))
            throw CFTPException(*mismatch);
        if (auto mismatch = familyMismatch(extended ? IpVersion::V6 : IpVersion::V4, ipVersion()))
            throw CFTPException(*mismatch);
        SetDirectory(sourceFolder);
        sendFileTo(dataAddress, dataPort, sourceName, restartOffset, extended, secureData, &shared);
        shared.finish();
    } catch (const CAbortException&) {
        if (shared.state() == SiteCopyLink::State::Running) {
            shared.abandon(SiteCopyLink::Side::Source);
            throw;
        }
        // The destination stopped the wait for this server's reply.
        control_.ClearAbort();
        data_.ClearAbort();
        closeControl();
        throw CopyPartEnded{};
    } catch (const CopyPartEnded&) {
        throw;
    } catch (...) {
        shared.abandon(SiteCopyLink::Side::Source);
        throw;
    }
}

// The source's part server to server. A refused PORT or a data connection
// its server could not make is the servers refusing each other: the
// destination's session hears of it through the link and carries on.
void FtpProtocol::sendFileTo(const std::string& dataAddress, std::uint16_t dataPort, const std::string& sourceName,
                             std::uint64_t restartOffset, bool extended, bool secureData, SiteCopyLink* link)
{
    const std::string& sourceFolder = currentDirectory_;
    std::uint64_t start = tickCount();
    std::uint64_t size = GetRemoteSize(sourceFolder, sourceName);
    // With an unknown size the file is sent anyway: treating it as complete
    // would leave an empty copy at the destination. Over TLS the destination
    // expects a handshake we cannot give; the server sends the empty rest.
    if (size != kUnknownSize && restartOffset >= size && !secureData) {
        mailbox_->sendProgress(0, 0, restartOffset, 0, kServerToServer);
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
    const auto refused = [&](const CFTPException& e) {
        link->refuse(SiteCopyLink::Side::Source, firstLine(e.GetErrorMessage()));
        throw CopyPartEnded{};
    };
    try {
        SendCommand(extended ? "EPRT " + formatExtendedPortArgument(dataAddress, dataPort)
                             : "PORT " + formatPortArgument(dataAddress, dataPort));
        ReadReply("2");
    } catch (const CFTPException& e) {
        if (IsConnected())
            refused(e);
        throw;
    }
    mailbox_->sendProgress(0, 0, restartOffset, rest, kServerToServer);
    if (restartOffset != 0) {
        SendCommand("REST " + std::to_string(restartOffset));
        ReadReply("3");
    }
    try {
        SendCommand("RETR " + sourceName);
        ReadReply("1");
        replyPending_ = true;
        ReadReply("2");
    } catch (const CFTPException& e) {
        if (IsConnected() && isDataRefusal(e.GetErrorMessage()))
            refused(e);
        throw;
    }
    if (restartOffset != 0) {
        SendCommand("REST 0");
        ReadReply("3");
    }
    mailbox_->sendProgress(tickCount() - start, size == kUnknownSize ? 0 : rest, restartOffset, rest,
                           kServerToServer);
}

// The source's part through Varnix.
void FtpProtocol::SiteRelayDownload(const std::string& sourceFolder, const std::string& sourceName,
                                    std::uint64_t restartOffset, const SiteCopyHandle& link)
{
    if (link->state() != SiteCopyLink::State::Running)
        throw CopyPartEnded{};
    WakeOnLink wake(*link, SiteCopyLink::Side::Source, [this] { RequestAbort(); });
    try {
        SetDirectory(sourceFolder);
        relayToLink(sourceName, restartOffset, *link);
    } catch (const CopyPartEnded&) {
        // The destination gave up: the server stops sending.
        dropConnections();
        throw;
    } catch (const CAbortException&) {
        // Cancelled here, or woken by the destination giving up.
        const bool cancelled = link->state() == SiteCopyLink::State::Running;
        link->abandon(SiteCopyLink::Side::Source);
        dropConnections();
        if (cancelled)
            throw;
        throw CopyPartEnded{};
    } catch (CFTPException& e) {
        link->abandon(SiteCopyLink::Side::Source);
        markTransient(e);
        throw;
    } catch (...) {
        link->abandon(SiteCopyLink::Side::Source);
        throw;
    }
}

void FtpProtocol::relayToLink(const std::string& sourceName, std::uint64_t restartOffset, SiteCopyLink& link)
{
    const std::uint64_t size = GetRemoteSize(currentDirectory_, sourceName);
    const std::uint64_t rest =
        size == kUnknownSize ? kUnknownSize : size > restartOffset ? size - restartOffset : 0;
    mailbox_->sendProgress(0, 0, restartOffset, rest, kThroughVarnix);
    if (size != kUnknownSize && restartOffset >= size) {
        link.sourceStarted(size);
        link.finish();
        return;
    }
    OpenDataConnection();
    if (restartOffset != 0) {
        SendCommand("REST " + std::to_string(restartOffset));
        ReadReply("3");
    }
    SendCommand("RETR " + sourceName);
    ReadReply("1");
    replyPending_ = true;
    link.sourceStarted(size);
    const auto cancelled = [this] { throwIfCancelled(); };
    const std::uint64_t start = tickCount();
    std::uint64_t moved = 0;
    std::vector<char> buffer(std::max<std::size_t>(recvBufferSize(), kRelayBlock));
    moveData([&] {
        for (std::size_t got; (got = data_.Receive(buffer.data(), buffer.size())) != 0;) {
            link.write(buffer.data(), got, cancelled);
            moved += got;
            mailbox_->sendProgress(tickCount() - start, moved, restartOffset, rest, kThroughVarnix);
        }
    });
    data_.Close();
    ReadReply("2");
    link.finish();
    if (restartOffset != 0) {
        SendCommand("REST 0");
        ReadReply("3");
    }
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
