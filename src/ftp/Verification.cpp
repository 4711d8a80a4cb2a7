// Copy verification: the server's hash of a file just copied, compared with
// the digest of the local copy, or after a site-to-site copy with the source
// server's hash of the original.

#include "ftp/FtpProtocol.h"
#include "ftp/ServerHash.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

namespace varnix {
namespace {

// A server reads the whole file before its hash reply can start: the wait
// for it is twice the usual one, plus a second for every 8 MiB (a slow
// disk's pace), while Cancel still ends it at once.
std::uint32_t hashReplyAllowance(std::uint64_t size, std::uint32_t recvTimeout)
{
    const std::uint64_t known = size == kUnknownSize ? 0 : size;
    return recvTimeout + std::uint32_t(std::min<std::uint64_t>(known >> 23, UINT32_MAX / 4));
}

std::uint64_t localFileSize(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 ? std::uint64_t(info.st_size) : kUnknownSize;
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
    if (!method || !verifyOn())
        return;
    const std::optional<ServerHash> remote = serverHash(*method, folder, name, localFileSize(localPath));
    if (!remote)
        return;
    const std::string what = std::string(hashName(remote->algorithm)) + " of " + name;
    if (fileDigest(localPath, remote->algorithm, [this] { throwIfCancelled(); }) != remote->hex)
        failCopyCheck("Verification failed: the server's " + what + " differs from the local copy");
    copyVerified(what);
}

// Both servers hash at once: the source's request is posted before this
// server is asked.
void FtpProtocol::VerifySiteCopy(const std::string& folder, const std::string& name, SitePeer* source,
                                 const std::string& sourceFolder, const std::string& sourceName)
{
    ++copyChecks_.copied;
    const std::optional<HashMethod> method = chooseHashMethod(features_, source->offeredHashes());
    if (!method || !verifyOn())
        return;
    std::promise<std::string> promise;
    std::future<std::string> answer = promise.get_future();
    source->SiteHash(sourceFolder, sourceName, method->algorithm, std::move(promise));
    const std::uint64_t size = GetRemoteSize(folder, name);
    const std::optional<ServerHash> own = serverHash(*method, folder, name, size);
    if (!own)
        return;
    const std::string what = std::string(hashName(own->algorithm)) + " of " + name;
    const std::optional<std::string> original =
        own->algorithm == method->algorithm ? awaitSourceHash(answer, size) : std::nullopt;
    if (!original) {
        Status("Not verified: the source site gave no " + std::string(hashName(method->algorithm)) + " of " +
               sourceName);
        return;
    }
    if (*original != own->hex)
        failCopyCheck("Verification failed: the " + what + " at the destination differs from the source's");
    copyVerified(what);
}

std::string FtpProtocol::SiteHash(const std::string& folder, const std::string& name, HashAlgorithm algorithm)
{
    const std::optional<HashMethod> method = chooseHashMethod(features_, hashBit(algorithm));
    if (!method)
        return {};
    const std::optional<ServerHash> hash = serverHash(*method, folder, name, GetRemoteSize(folder, name));
    return hash && hash->algorithm == algorithm ? hash->hex : std::string();
}

bool FtpProtocol::verifyOn()
{
    return LockedAccess<SiteContext>(site_)->settings().verify() != 0;
}

// The server's hash of a file of `size` bytes; none when it refused or its
// reply holds no digest, which the status line says.
std::optional<ServerHash> FtpProtocol::serverHash(const HashMethod& method, const std::string& folder,
                                                  const std::string& name, std::uint64_t size)
{
    const std::uint32_t recvTimeout = LockedAccess<SiteContext>(site_)->settings().recvTimeout();
    SetDirectory(folder);
    std::optional<std::string> reply;
    {
        ExtraReceiveWait allowance(control_, hashReplyAllowance(size, recvTimeout));
        reply = askServerHash(method, name);
    }
    std::optional<ServerHash> hash = reply ? parseHashReply(*reply, method.algorithm) : std::nullopt;
    if (reply && !hash)
        Status("Not verified: no " + std::string(hashName(method.algorithm)) + " digest of " + name +
               " in the server's reply");
    return hash;
}

// The reply to the hash command, or none when the server refused it (or the
// choice of algorithm before it) and the copy stays unverified.
std::optional<std::string> FtpProtocol::askServerHash(const HashMethod& method, const std::string& name)
{
    try {
        // A refused OPTS leaves the server's own choice, which its reply
        // names; an accepted one holds for the rest of the connection.
        const bool inForce = selectedHash_ ? *selectedHash_ == method.algorithm : method.selected;
        if (method.hashCommand && !inForce && selectHash(method))
            selectedHash_ = method.algorithm;
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

// The source session's answer, waited for as long as its server may take;
// none when it gave none or dropped the request.
std::optional<std::string> FtpProtocol::awaitSourceHash(std::future<std::string>& answer, std::uint64_t size)
{
    const std::uint32_t recvTimeout = LockedAccess<SiteContext>(site_)->settings().recvTimeout();
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::seconds(std::uint64_t(recvTimeout) + hashReplyAllowance(size, recvTimeout));
    while (answer.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        throwIfCancelled();
        if (std::chrono::steady_clock::now() > limit)
            return std::nullopt;
    }
    try {
        std::string hex = answer.get();
        return hex.empty() ? std::nullopt : std::optional<std::string>(std::move(hex));
    } catch (const std::future_error&) {
        return std::nullopt;
    }
}

void FtpProtocol::failCopyCheck(const std::string& message)
{
    CFTPException mismatch(message);
    // The copy is whole but wrong: resuming it would keep the damage.
    mismatch.recovery = RecoveryRestart;
    if (!copyChecks_.mismatch)
        copyChecks_.mismatch = mismatch;
    throw mismatch;
}

void FtpProtocol::copyVerified(const std::string& what)
{
    ++copyChecks_.verified;
    copyChecks_.lastVerified = "Verified " + what;
    Status(copyChecks_.lastVerified);
}

// Work of our own between socket waits (hashing a local copy, waiting for
// the other session) answers Cancel as a wait would: the flag is taken here,
// the data socket keeps its own so that the task is known as interrupted.
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
