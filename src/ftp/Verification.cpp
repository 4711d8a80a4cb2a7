// Copy verification: the server's hash of a file just copied, compared with
// the digest of the local copy.

#include "ftp/FtpProtocol.h"
#include "ftp/ServerHash.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace varnix {
namespace {

// A server reads the whole file before its hash reply can start: the wait
// for it is twice the usual one, plus a second for every 8 MiB (a slow
// disk's pace), while Cancel still ends it at once.
std::uint32_t hashReplyAllowance(const std::string& localPath, std::uint32_t recvTimeout)
{
    struct stat info{};
    const std::uint64_t size = ::stat(localPath.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : 0;
    return recvTimeout + std::uint32_t(std::min<std::uint64_t>(size >> 23, UINT32_MAX / 2));
}

class ExtraReceiveWait {
public:
    ExtraReceiveWait(BlockingSocket& socket, std::uint32_t seconds) : socket_(socket)
    {
        socket_.SetExtraReceiveWait(seconds);
    }
    ~ExtraReceiveWait() { socket_.SetExtraReceiveWait(0); }
    ExtraReceiveWait(const ExtraReceiveWait&) = delete;
    ExtraReceiveWait& operator=(const ExtraReceiveWait&) = delete;

private:
    BlockingSocket& socket_;
};

std::string withoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

void FtpProtocol::VerifyCopy(const std::string& folder, const std::string& name, const std::string& localPath)
{
    ++copyChecks_.copied;
    const std::optional<HashMethod> method = chooseHashMethod(features_);
    std::uint32_t verify = 0, recvTimeout = 0;
    {
        LockedAccess<SiteContext> site(site_);
        verify = site->settings().verify();
        recvTimeout = site->settings().recvTimeout();
    }
    if (!method || verify == 0)
        return;
    SetDirectory(folder);
    std::optional<std::string> reply;
    {
        ExtraReceiveWait allowance(control_, hashReplyAllowance(localPath, recvTimeout));
        reply = askServerHash(*method, name);
    }
    const std::optional<ServerHash> remote = reply ? parseHashReply(*reply, method->algorithm) : std::nullopt;
    if (!remote) {
        if (reply)
            Status("Not verified: no " + std::string(hashName(method->algorithm)) + " digest of " + name +
                   " in the server's reply");
        return;
    }
    const std::string what = std::string(hashName(remote->algorithm)) + " of " + name;
    if (fileDigest(localPath, remote->algorithm, [this] { throwIfCancelled(); }) != remote->hex) {
        CFTPException mismatch("Verification failed: the server's " + what + " differs from the local copy");
        // The copy is whole but wrong: resuming it would keep the damage.
        mismatch.recovery = RecoveryRestart;
        if (!copyChecks_.mismatch)
            copyChecks_.mismatch = mismatch;
        throw mismatch;
    }
    ++copyChecks_.verified;
    copyChecks_.lastVerified = "Verified " + what;
    Status(copyChecks_.lastVerified);
}

// The reply to the hash command, or none when the server refused it (or the
// choice of algorithm before it) and the copy stays unverified.
std::optional<std::string> FtpProtocol::askServerHash(const HashMethod& method, const std::string& name)
{
    try {
        // A refused OPTS leaves the server's own choice, which its reply
        // names; an accepted one holds for the rest of the connection.
        if (method.hashCommand && !method.selected && !hashSelected_)
            hashSelected_ = selectHash(method);
        SendCommand(hashCommand(method, name));
        return ReadReply("2");
    } catch (const CFTPException& e) {
        // A refusal leaves the connection in step; anything that closed it does not.
        if (!IsConnected())
            throw;
        Status("Not verified: " + withoutLineEnd(e.GetErrorMessage()));
    }
    return std::nullopt;
}

bool FtpProtocol::selectHash(const HashMethod& method)
{
    try {
        SendCommand(selectCommand(method));
        ReadReply("2");
        return true;
    } catch (const CFTPException&) {
        if (!IsConnected())
            throw;
    }
    return false;
}

// Work of our own between socket waits (hashing a local copy) answers
// Cancel as a wait would: the flag is taken here, the data socket keeps its
// own so that the task is known as interrupted.
void FtpProtocol::throwIfCancelled()
{
    if (control_.AbortRequested()) {
        control_.ClearAbort();
        throw CAbortException();
    }
}

std::string FtpProtocol::FinishCopyChecks()
{
    CopyChecks checks = std::exchange(copyChecks_, {});
    if (checks.mismatch)
        throw *checks.mismatch;
    if (checks.copied == 0 || checks.verified < checks.copied)
        return {};
    return checks.copied == 1 ? checks.lastVerified : "Verified all " + std::to_string(checks.copied) + " files";
}

} // namespace varnix
