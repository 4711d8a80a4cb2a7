// Data connections: passive (we connect to the address of the PASV reply) or
// active (we listen and name our address with PORT), with one fallback to the
// other mode when the server refuses the first.

#include "ftp/FtpProtocol.h"

#include "ftp/ReplyParsing.h"

#include <arpa/inet.h>
#include <cerrno>

namespace varnix {
namespace {

// Loopback, private (RFC 1918), link-local, or not an address at all.
bool isInternalAddress(const std::string& dotted)
{
    in_addr addr{};
    if (inet_pton(AF_INET, dotted.c_str(), &addr) != 1)
        return false;
    std::uint32_t a = ntohl(addr.s_addr);
    return (a >> 24) == 127 || (a >> 24) == 10 || (a >> 20) == ((172u << 4) | 1) || (a >> 16) == ((192u << 8) | 168)
        || (a >> 16) == ((169u << 8) | 254) || a == 0;
}

} // namespace

void FtpProtocol::OpenDataConnection()
{
    Status("Opening data connection...");
    leaveTlsClientRole();
    data_.Close();
    data_.Create(false);
    bool passive = LockedAccess<SiteContext>(site_)->settings().pasvMode() != 0;
    try {
        passive ? runPassiveSteps() : runActiveSteps();
    } catch (const CFTPException&) {
        // A failure that closed the control connection (an over-long line)
        // leaves nothing to fall back on, and its own text says what went wrong.
        if (!IsConnected())
            throw;
        passive = LockedAccess<SiteContext>(site_)->settings().pasvMode() != 0;
        data_.Close();
        data_.Create(false);
        passive ? runActiveSteps() : runPassiveSteps();
    }
    if (dataProtection_ == DataProtection::Private)
        data_.SecureOnFirstUse(control_);
}

void FtpProtocol::runPassiveSteps()
{
    SendCommand("PASV");
    PassiveAddress address = parsePassiveReply(ReadReply("2"));
    // A server behind NAT may name its private address; the address we reach
    // it at works where that one cannot.
    std::string peer = control_.PeerAddress();
    if (isInternalAddress(address.host) && !isInternalAddress(peer))
        address.host = peer;
    // The reply names a dotted address; any other text would make us look up
    // and connect to whatever name the server chose.
    in_addr numeric{};
    if (inet_pton(AF_INET, address.host.c_str(), &numeric) != 1) {
        data_.Close();
        throw CNetException(EINVAL, "Server returned no usable passive address: " + address.host);
    }
    data_.Connect(address.host, address.port);
}

void FtpProtocol::runActiveSteps()
{
    std::string local = control_.LocalAddress();
    auto [ignored, port] = data_.Listen();
    (void)ignored;
    SendCommand("PORT " + formatPortArgument(local, port));
    ReadReply("2");
}

} // namespace varnix
