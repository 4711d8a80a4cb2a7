// Data connections: passive (we connect to the address of the PASV reply, or
// to the port of the EPSV reply at the server's own address) or active (we
// listen and name our address with PORT or EPRT), with one fallback to the
// other mode when the server refuses the first.
//
// The extended commands of RFC 2428 are the only ones over IPv6; over IPv4
// they are used when the server's FEAT reply offers them, and one it then
// refuses is not tried again on that connection.

#include "ftp/FtpProtocol.h"

#include "ftp/ReplyParsing.h"

#include <arpa/inet.h>
#include <cerrno>
#include <optional>

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

// The reply's first line without its line end, for a message.
std::string firstLine(const std::string& reply)
{
    return reply.substr(0, reply.find_first_of("\r\n"));
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

bool FtpProtocol::usesExtended(std::string_view command, bool refused) const
{
    return control_.IsIpv6() || (!refused && features().offers(command));
}

void FtpProtocol::runPassiveSteps()
{
    if (usesExtended("EPSV", epsvRefused_) && runExtendedPassiveSteps())
        return;
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

// False when an IPv4 server refused EPSV, which leaves PASV to try.
bool FtpProtocol::runExtendedPassiveSteps()
{
    SendCommand("EPSV");
    const std::string reply = ReadReply("25");
    if (reply[0] == '5') {
        if (control_.IsIpv6())
            throw CFTPException(reply);
        epsvRefused_ = true;
        return false;
    }
    std::optional<std::uint16_t> port = parseExtendedPassiveReply(reply);
    if (!port) {
        data_.Close();
        throw CNetException(EINVAL, "Server returned no usable extended passive port: " + firstLine(reply));
    }
    data_.Connect(control_.PeerAddress(), *port);
    return true;
}

// The listener takes the control connection's own address, which is the one
// the server can reach us at and the family it speaks.
void FtpProtocol::runActiveSteps()
{
    const std::string local = control_.LocalAddress();
    const std::uint16_t port = data_.Listen(local).second;
    if (usesExtended("EPRT", eprtRefused_)) {
        SendCommand("EPRT " + formatExtendedPortArgument(local, port));
        const std::string reply = ReadReply("25");
        if (reply[0] == '2')
            return;
        if (control_.IsIpv6())
            throw CFTPException(reply);
        eprtRefused_ = true;
    }
    SendCommand("PORT " + formatPortArgument(local, port));
    ReadReply("2");
}

} // namespace varnix
