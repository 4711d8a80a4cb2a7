// Copy verification: the server's hash of a file just copied, compared with
// the digest of the local copy.

#include "ftp/FtpProtocol.h"
#include "ftp/ServerHash.h"

#include <utility>

namespace varnix {
namespace {

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
    if (!method || LockedAccess<SiteContext>(site_)->settings().verify() == 0)
        return;
    SetDirectory(folder);
    const std::optional<std::string> reply = askServerHash(*method, name);
    const std::optional<ServerHash> remote = reply ? parseHashReply(*reply, method->algorithm) : std::nullopt;
    if (!remote) {
        if (reply)
            Status("Not verified: no " + std::string(hashName(method->algorithm)) + " digest of " + name +
                   " in the server's reply");
        return;
    }
    const std::string what = std::string(hashName(remote->algorithm)) + " of " + name;
    if (fileDigest(localPath, remote->algorithm) != remote->hex) {
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
        // A refused OPTS leaves the server's own choice, which its reply names.
        if (method.hashCommand && !method.selected)
            selectHash(method);
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

void FtpProtocol::selectHash(const HashMethod& method)
{
    try {
        SendCommand(selectCommand(method));
        ReadReply("2");
    } catch (const CFTPException&) {
        if (!IsConnected())
            throw;
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
