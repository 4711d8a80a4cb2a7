#include "cli/SiteUrl.h"

#include "model/HostPort.h"

#include <algorithm>
#include <cctype>

namespace varnix::cli {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "user:password@" (the last '@' ends the credentials, as passwords may hold one).
bool parseCredentials(std::string_view userInfo, SiteUrl& url)
{
    std::size_t colon = userInfo.find(':');
    auto user = percentDecode(userInfo.substr(0, colon));
    auto password = percentDecode(colon == std::string_view::npos ? std::string_view{} : userInfo.substr(colon + 1));
    if (!user || !password)
        return false;
    url.user = *user;
    url.password = *password;
    return true;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool parseHostPort(std::string_view hostPort, SiteUrl& url)
{
    std::optional<HostPort> split = splitHostPort(hostPort);
    if (!split)
        return false;
    if (split->port) {
        const std::string& port = *split->port;
        if (!allDigits(port) || port.size() > 5 || std::stoul(port) > 65535)
            return false;
        url.port = port;
    }
    auto host = percentDecode(split->host);
    if (!host || host->empty())
        return false;
    url.host = *host;
    return true;
}

bool startsWithScheme(std::string_view text, std::string_view scheme)
{
    return text.size() >= scheme.size() && std::equal(scheme.begin(), scheme.end(), text.begin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    return out;
}

std::optional<SiteUrl> parseSiteUrl(std::string_view text)
{
    SiteUrl url;
    if (startsWithScheme(text, "ftps://")) {
        url.implicitTls = true;
        url.port = "990";
        text.remove_prefix(7);
    } else if (startsWithScheme(text, "ftp://")) {
        text.remove_prefix(6);
    } else {
        return std::nullopt;
    }
    std::size_t slash = text.find('/');
    std::string_view authority = text.substr(0, slash);
    if (slash != std::string_view::npos) {
        auto path = percentDecode(text.substr(slash));
        if (!path)
            return std::nullopt;
        url.path = *path;
    }
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos && !parseCredentials(authority.substr(0, at), url))
        return std::nullopt;
    if (!parseHostPort(at == std::string_view::npos ? authority : authority.substr(at + 1), url))
        return std::nullopt;
    return url;
}

} // namespace varnix::cli
