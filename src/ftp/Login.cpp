// Connecting, logging in, the working directory and keep-alive probes.

#include "ftp/FtpProtocol.h"

#include "ftp/ReplyParsing.h"
#include "model/HostPort.h"

#include <cstdlib>

namespace varnix {
namespace {

// The port as typed, read like atoi: its leading digits, 0 without any.
std::uint16_t portNumber(const std::string& text)
{
    std::uint32_t value = 0;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= 65535; ++i)
        value = value * 10 + std::uint32_t(text[i] - '0');
    return value > 65535 ? 0 : std::uint16_t(value);
}

} // namespace

void FtpProtocol::Connect()
{
    if (IsConnected())
        return;
    forgetConnection();
    // Copies, so that no lock is held across the notices and waits below.
    LoginData login = LockedAccess<SiteContext>(site_)->loginCopy();
    std::string anonymousPassword = LockedAccess<SiteContext>(site_)->settings().anonymousPassword();
    EncryptionMode encryption = LockedAccess<SiteContext>(site_)->settings().encryptionMode();
    const std::string identity = SiteContext::identityOf(login);
    try {
        Status("Connecting to " + hostPortText(login.host, login.port) + "...");
        control_.Create(true);
        control_.Connect(login.host, portNumber(login.port));
        ipVersion_ = control_.IsIpv6() ? IpVersion::V6 : IpVersion::V4;
        if (encryption == EncryptionMode::Implicit)
            secureControl(login.host, identity);
        ReadReply("23");
        if (encryption == EncryptionMode::ExplicitWhenOffered || encryption == EncryptionMode::ExplicitRequired)
            negotiateTls(encryption, login.host, identity);
        Status("Verifing username and password...");
        logIn(login.user.empty() ? "anonymous" : login.user,
              login.password.empty() ? anonymousPassword : login.password);
        if (control_.IsSecure())
            protectData();
        dataProtection_ = control_.IsSecure() ? DataProtection::Private : DataProtection::Plain;
        Status("Setting binary transfer mode...");
        SendCommand("TYPE I");
        ReadReply("2");
        learnFeatures();
    } catch (...) {
        closeControl();
        throw;
    }
}

// A new login starts in the server's initial folder with no transfer under
// way: nothing the lost connection knew holds for it. A working directory
// kept from it would send the next command to the wrong folder.
void FtpProtocol::forgetConnection()
{
    data_.Close();
    currentDirectory_.clear();
    features_ = {};
    selectedHash_.reset();
    offeredHashes_ = 0;
    dataProtection_ = DataProtection::Unknown;
    siteTlsCommand_ = SiteTlsCommand::Untried;
    epsvRefused_ = false;
    eprtRefused_ = false;
    ipVersion_ = IpVersion::Unknown;
    tlsClientRole_ = false;
    machineListingRefused_ = false;
    machineFactsChosen_ = false;
    sending_ = false;
    readingLine_ = false;
    replyPending_ = false;
}

// A refused user name or password: leave politely, then ask for new
// credentials (the recovery tells the session so).
void FtpProtocol::logIn(const std::string& user, const std::string& password)
{
    try {
        SendCommand("USER " + user);
        ReadReply("23");
        SendCommand("PASS " + password);
        ReadReply("2");
    } catch (CFTPException& refused) {
        try {
            SendCommand("TYPE I");
            ReadReply(kAnyDigit);
            Quit();
        } catch (const CException&) {
        }
        refused.recovery = RecoveryLogin;
        throw;
    }
}

// FEAT once per connection; a server that refuses it offers nothing. One
// that takes UTF-8 names is told that ours are UTF-8 (or bytes it keeps).
void FtpProtocol::learnFeatures()
{
    SendCommand("FEAT");
    try {
        features_ = ServerFeatures::parse(ReadReply("2"));
        offeredHashes_ = varnix::offeredHashes(features_);
    } catch (const CFTPException&) {
        if (!IsConnected())
            throw;
        return;
    }
    if (features_.offers("UTF8")) {
        SendCommand("OPTS UTF8 ON");
        ReadReply(kAnyDigit);
    }
}

void FtpProtocol::Quit()
{
    if (!IsConnected())
        return;
    SendCommand("QUIT");
    ReadReply("2");
}

void FtpProtocol::UpdateWorkingDirectory()
{
    Status("Updating working directory...");
    SendCommand("PWD");
    auto path = parseWorkingDirectory(ReadReply("2"));
    if (!path)
        throw CFTPException("Server returned malformed working directory");
    currentDirectory_ = *path;
}

void FtpProtocol::ChangeDirectory(const std::string& path)
{
    SendCommand(path == ".." ? std::string("CDUP") : "CWD " + path);
    ReadReply("2");
}

void FtpProtocol::SetDirectory(const std::string& path)
{
    if (path == currentDirectory_)
        return;
    ChangeDirectory(path);
    currentDirectory_ = path;
}

void FtpProtocol::SendKeepAlive()
{
    static const char* const kProbes[] = {"PWD", "REST 0", "TYPE I"};
    try {
        SendCommand(kProbes[rand_r(&keepAliveRandom_) % 3]);
        ReadReply("23");
    } catch (const CException&) {
    }
}

} // namespace varnix
