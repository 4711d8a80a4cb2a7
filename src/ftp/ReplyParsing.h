#pragma once
// Pure parsers for the parts of replies the engine reads: the PASV address,
// the EPSV port, the PWD path and the SIZE number. Kept apart from the engine so that they
// can be tested and fuzzed on their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

struct PassiveAddress {
    std::string host;     // dotted text, possibly empty for a reply without ')'
    std::uint16_t port = 0;
};

// The address of a PASV reply: the text between the last '(' and the last
// ')', four address numbers and two port numbers separated by commas.
PassiveAddress parsePassiveReply(std::string_view reply);

// The port of an EPSV reply (RFC 2428): "229 Entering Extended Passive Mode
// (|||port|)", where '|' may be any printable character other than a digit,
// the same four times. None without such a group or for a port outside
// 1..65535. The address is always the control connection's peer.
std::optional<std::uint16_t> parseExtendedPassiveReply(std::string_view reply);

// The quoted path of a PWD reply ("" doubled quotes stay doubled), or none
// when the reply does not quote a path at its fifth character.
std::optional<std::string> parseWorkingDirectory(std::string_view reply);

// The decimal number from the fifth character of a reply, cut at the first
// non-digit; none when there is no digit there.
std::optional<std::uint64_t> parseReplyNumber(std::string_view reply);

// "h1,h2,h3,h4,p1,p2" for a PORT command.
std::string formatPortArgument(const std::string& dottedAddress, std::uint16_t port);

// "|1|h.h.h.h|port|" or "|2|ipv6-text|port|" for an EPRT command.
std::string formatExtendedPortArgument(const std::string& numericAddress, std::uint16_t port);

} // namespace varnix
