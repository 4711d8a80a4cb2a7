#pragma once
// ftp://[user[:password]@]host[:port][/path] as the command-line client takes
// it, and the remote paths of its commands.

#include <optional>
#include <string>
#include <string_view>

namespace varnix::cli {

struct SiteUrl {
    std::string user;       // empty: anonymous
    std::string password;
    std::string host;
    std::string port = "21";
    std::string path;       // what followed the authority, "" when nothing
};

// None when the text is not an ftp:// URL with a host and a numeric port.
std::optional<SiteUrl> parseSiteUrl(std::string_view text);

// Percent-decoding; none for a '%' not followed by two hex digits.
std::optional<std::string> percentDecode(std::string_view text);

// A remote path split into its folder and its last component. Paths not
// beginning with '/' are taken relative to the login folder.
struct RemotePath {
    std::string folder;
    std::string name;
};
RemotePath splitRemotePath(const std::string& path, const std::string& loginFolder);
// The absolute form of a remote path.
std::string absoluteRemotePath(const std::string& path, const std::string& loginFolder);
inline bool isRelativeRemotePath(const std::string& path) { return path.empty() || path[0] != '/'; }

} // namespace varnix::cli
