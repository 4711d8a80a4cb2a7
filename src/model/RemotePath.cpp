#include "model/RemotePath.h"

namespace varnix {

std::string joinRemotePath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path.append(name);
}

std::string absoluteRemotePath(const std::string& path, const std::string& loginFolder)
{
    if (!isRelativeRemotePath(path))
        return path;
    if (path.empty() || path == ".")
        return loginFolder;
    return joinRemotePath(loginFolder, path);
}

RemotePath splitRemotePath(const std::string& path, const std::string& loginFolder)
{
    std::string absolute = absoluteRemotePath(path, loginFolder);
    while (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    std::size_t slash = absolute.rfind('/');
    if (slash == std::string::npos)
        return {loginFolder, absolute};
    std::string folder = slash == 0 ? "/" : absolute.substr(0, slash);
    return {folder, absolute.substr(slash + 1)};
}

std::string remoteParent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path.size() <= 1)
        return {};
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

std::vector<std::string> remoteAncestors(std::string_view path)
{
    std::vector<std::string> chain;
    for (std::string folder(path); !folder.empty(); folder = remoteParent(folder))
        chain.insert(chain.begin(), folder);
    return chain;
}

std::string resolveRemoteLink(std::string_view folder, std::string_view target)
{
    const std::string joined = target.starts_with('/') ? std::string(target) : joinRemotePath(folder, target);
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= joined.size();) {
        std::size_t end = std::min(joined.find('/', at), joined.size());
        std::string_view part(joined.data() + at, end - at);
        if (part == ".." && !parts.empty())
            parts.pop_back();
        else if (!part.empty() && part != "." && part != "..")
            parts.push_back(part);
        at = end + 1;
    }
    std::string path;
    for (std::string_view part : parts)
        path.append("/").append(part);
    return path.empty() ? "/" : path;
}

bool isWithinRemoteFolder(std::string_view path, std::string_view folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    if (!path.starts_with(folder))
        return false;
    return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

std::string remoteLocationText(std::string_view identity, std::string_view folder, std::string_view name)
{
    std::string text(identity);
    text += folder;
    if (folder.empty() || folder.back() != '/')
        text += '/';
    return text.append(name);
}

} // namespace varnix
