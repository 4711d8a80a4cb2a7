#pragma once
// ftp://[user[:password]@]host[:port][/path] as the command-line client takes
// it (an IPv6 host in brackets: ftp://[::1]:2121/pub) (ftps:// for TLS from the first byte, port 990 unless given); its
// commands' remote paths are the model's.

#include <optional>
#include <string>
#include <string_view>

namespace varnix::cli {

struct SiteUrl {
    std::string user;       // empty: anonymous
    std::string password;
    std::string host;       // an IPv6 address without its brackets
    std::string port = "21";
    std::string path;       // what followed the authority, "" when nothing
    bool implicitTls = false; // ftps://
};

// None when the text is not an ftp:// or ftps:// URL with a host and a numeric port.
std::optional<SiteUrl> parseSiteUrl(std::string_view text);

// Percent-decoding; none for a '%' not followed by two hex digits.
std::optional<std::string> percentDecode(std::string_view text);

} // namespace varnix::cli
