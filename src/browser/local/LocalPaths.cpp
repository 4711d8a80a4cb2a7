#include "browser/local/LocalPaths.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace varnix {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string normalPath(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return {};
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out;
    for (std::string_view part : parts)
        (out += '/') += part;
    return out.empty() ? "/" : out;
}

std::string parentPath(std::string_view path)
{
    if (path.empty() || path == "/")
        return {};
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

std::string lastComponent(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string typedFolder(std::string_view text, const std::string& current, const std::string& home)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return {};
    if (text.starts_with("file:"))
        return normalPath(fileUrlPath(text));
    if (text == "~" || text.starts_with("~/"))
        return normalPath(home + std::string(text.substr(1)));
    if (text.front() == '/')
        return normalPath(text);
    if (current.empty())
        return {};
    return normalPath(joinPath(current, text));
}

std::string fileUrlPath(std::string_view url)
{
    url.remove_prefix(std::min(url.size(), std::string_view("file:").size()));
    if (url.starts_with("//")) {
        std::size_t slash = url.find('/', 2);
        std::string_view host = url.substr(2, slash == std::string_view::npos ? url.size() : slash - 2);
        if (!host.empty() && host != "localhost")
            return {};
        url.remove_prefix(slash == std::string_view::npos ? url.size() : slash);
    }
    std::string path;
    for (std::size_t i = 0; i < url.size(); ++i) {
        int high = i + 2 < url.size() && url[i] == '%' ? hexValue(url[i + 1]) : -1;
        int low = high >= 0 ? hexValue(url[i + 2]) : -1;
        if (low >= 0) {
            path += char(high * 16 + low);
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

bool isDirectory(const std::string& path)
{
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool pathExists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

std::string desktopOrHome(std::string_view desktopFolder, const std::string& home)
{
    std::string desktop = normalPath(desktopFolder);
    return isDirectory(desktop) ? desktop : home;
}

} // namespace varnix
