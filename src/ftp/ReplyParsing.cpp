#include "ftp/ReplyParsing.h"

#include <algorithm>

namespace varnix {
namespace {

// The decimal value of the leading digits, 0 when there are none (atoi).
std::uint32_t leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < 100000; ++i)
        value = value * 10 + std::uint32_t(text[i] - '0');
    return value;
}

std::string_view afterLast(std::string_view text, char c)
{
    std::size_t at = text.rfind(c);
    return at == std::string_view::npos ? text : text.substr(at + 1);
}

// The part before the last c; empty when c does not occur.
std::string_view beforeLast(std::string_view text, char c)
{
    std::size_t at = text.rfind(c);
    return at == std::string_view::npos ? std::string_view{} : text.substr(0, at);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "(dddPORTd)" at the start of text, d being the one delimiter.
std::optional<std::uint16_t> extendedPortGroup(std::string_view text)
{
    if (text.size() < 7 || text[0] != '(')
        return std::nullopt;
    const char d = text[1];
    if (d < 33 || d > 126 || isDigit(d) || text[2] != d || text[3] != d)
        return std::nullopt;
    std::uint32_t port = 0;
    std::size_t i = 4;
    for (; i < text.size() && isDigit(text[i]) && i < 4 + 5; ++i)
        port = port * 10 + std::uint32_t(text[i] - '0');
    if (i == 4 || i + 1 >= text.size() || text[i] != d || text[i + 1] != ')' || port == 0 || port > 65535)
        return std::nullopt;
    return std::uint16_t(port);
}

} // namespace

std::optional<std::uint16_t> parseExtendedPassiveReply(std::string_view reply)
{
    // Servers word the text before the group freely, and it may hold a
    // parenthesis of its own.
    for (std::size_t at = reply.find('('); at != std::string_view::npos; at = reply.find('(', at + 1))
        if (auto port = extendedPortGroup(reply.substr(at)))
            return port;
    return std::nullopt;
}

PassiveAddress parsePassiveReply(std::string_view reply)
{
    std::string_view s = beforeLast(afterLast(reply, '('), ')');
    std::string_view t = beforeLast(s, ',');
    std::uint32_t high = leadingNumber(afterLast(t, ','));
    std::string host(beforeLast(t, ','));
    std::replace(host.begin(), host.end(), ',', '.');
    std::uint32_t low = leadingNumber(afterLast(s, ','));
    return {host, std::uint16_t(((high << 8) | low) & 0xFFFF)};
}

std::optional<std::string> parseWorkingDirectory(std::string_view reply)
{
    std::size_t i = 5;
    while (i < reply.size()) {
        if (reply[i] == '"' && (i + 1 >= reply.size() || reply[i + 1] != '"'))
            break;
        i += reply[i] == '"' ? 2 : 1;
    }
    if (reply.size() < 5 || reply[4] != '"' || i >= reply.size() || reply[i] != '"')
        return std::nullopt;
    return std::string(reply.substr(5, i - 5));
}

std::optional<std::uint64_t> parseReplyNumber(std::string_view reply)
{
    if (reply.size() < 5 || reply[4] < '0' || reply[4] > '9')
        return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 4; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        std::uint64_t digit = std::uint64_t(reply[i] - '0');
        if (value > (~std::uint64_t(0) - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::string formatPortArgument(const std::string& dottedAddress, std::uint16_t port)
{
    std::string address = dottedAddress;
    std::replace(address.begin(), address.end(), '.', ',');
    return address + "," + std::to_string((port >> 8) & 255) + "," + std::to_string(port & 255);
}

std::string formatExtendedPortArgument(const std::string& numericAddress, std::uint16_t port)
{
    const char* family = numericAddress.find(':') != std::string::npos ? "2" : "1";
    return std::string("|") + family + "|" + numericAddress + "|" + std::to_string(port) + "|";
}

} // namespace varnix
