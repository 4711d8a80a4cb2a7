#include "ftp/ServerFeatures.h"

#include <cctype>

namespace varnix {
namespace {

std::string upperCased(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

// Feature lines begin with a space; the reply's own lines with its code.
bool isFeatureLine(std::string_view line)
{
    return !line.empty() && line.front() == ' ';
}

} // namespace

ServerFeatures ServerFeatures::parse(std::string_view reply)
{
    ServerFeatures features;
    while (!reply.empty()) {
        std::size_t end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        reply.remove_prefix(end == std::string_view::npos ? reply.size() : end + 1);
        if (!isFeatureLine(line))
            continue;
        line = trimmed(line);
        std::size_t space = line.find(' ');
        std::string name = upperCased(line.substr(0, space));
        if (!name.empty())
            features.features_[name] = space == std::string_view::npos ? "" : std::string(trimmed(line.substr(space)));
    }
    return features;
}

bool ServerFeatures::offers(std::string_view name) const
{
    return features_.count(upperCased(name)) != 0;
}

std::string ServerFeatures::parameters(std::string_view name) const
{
    auto found = features_.find(upperCased(name));
    return found == features_.end() ? std::string() : found->second;
}

} // namespace varnix
