#include "ftp/ServerHash.h"

#include <cctype>
#include <vector>

namespace varnix {
namespace {

struct XCommand {
    std::string_view name;
    HashAlgorithm algorithm;
};

constexpr XCommand kXCommands[] = {
    {"XSHA256", HashAlgorithm::Sha256},
    {"XSHA1", HashAlgorithm::Sha1},
    {"XMD5", HashAlgorithm::Md5},
    {"XCRC", HashAlgorithm::Crc32},
};

std::string_view xCommandOf(HashAlgorithm algorithm)
{
    for (const XCommand& x : kXCommands)
        if (x.algorithm == algorithm)
            return x.name;
    return {};
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        std::size_t end = text.find(separator);
        if (end != 0)
            parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return parts;
}

std::optional<HashMethod> chooseFromHashFeature(std::string_view offered, HashSet allowed)
{
    std::optional<HashMethod> best;
    for (std::string_view item : split(offered, ';')) {
        const bool selected = item.back() == '*';
        if (selected)
            item.remove_suffix(1);
        std::optional<HashAlgorithm> algorithm = hashByName(item);
        if (algorithm && (allowed & hashBit(*algorithm)) && (!best || *algorithm < best->algorithm))
            best = HashMethod{*algorithm, true, selected};
    }
    return best;
}

// The last line of a reply, without its CR LF.
std::string_view lastLine(std::string_view reply)
{
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r'))
        reply.remove_suffix(1);
    std::size_t start = reply.rfind('\n');
    return start == std::string_view::npos ? reply : reply.substr(start + 1);
}

bool allHex(std::string_view word)
{
    for (char c : word)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return !word.empty();
}

std::optional<std::string> digestWord(std::string_view word, HashAlgorithm algorithm)
{
    const std::size_t length = hashHexLength(algorithm);
    // A CRC is a number, and some servers drop its leading zeros.
    const bool fits = algorithm == HashAlgorithm::Crc32 ? word.size() <= length : word.size() == length;
    if (!fits || !allHex(word))
        return std::nullopt;
    std::string hex(length - word.size(), '0');
    for (char c : word)
        hex.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    return hex;
}

} // namespace

HashSet offeredHashes(const ServerFeatures& features)
{
    HashSet offered = 0;
    for (HashAlgorithm algorithm : kHashAlgorithms)
        if (chooseHashMethod(features, hashBit(algorithm)))
            offered |= hashBit(algorithm);
    return offered;
}

std::optional<HashMethod> chooseHashMethod(const ServerFeatures& features, HashSet allowed)
{
    if (features.offers("HASH"))
        if (auto method = chooseFromHashFeature(features.parameters("HASH"), allowed))
            return method;
    for (const XCommand& x : kXCommands)
        if (features.offers(x.name) && (allowed & hashBit(x.algorithm)))
            return HashMethod{x.algorithm, false, false};
    return std::nullopt;
}

std::string selectCommand(const HashMethod& method)
{
    return "OPTS HASH " + std::string(hashName(method.algorithm));
}

std::string hashCommand(const HashMethod& method, const std::string& name)
{
    return std::string(method.hashCommand ? std::string_view("HASH") : xCommandOf(method.algorithm)) + " " + name;
}

std::optional<ServerHash> parseHashReply(std::string_view reply, HashAlgorithm asked)
{
    std::string_view line = lastLine(reply);
    if (line.size() < 5 || line[0] != '2' || line[3] != ' ')
        return std::nullopt;
    std::vector<std::string_view> words = split(line.substr(4), ' ');
    if (words.empty())
        return std::nullopt;
    const HashAlgorithm algorithm = hashByName(words.front()).value_or(asked);
    for (std::string_view word : words)
        if (auto hex = digestWord(word, algorithm))
            return ServerHash{algorithm, *hex};
    return std::nullopt;
}

} // namespace varnix
