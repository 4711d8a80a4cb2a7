#include "browser/remote/RemotePathBox.h"

#include "model/RemotePath.h"

#include <algorithm>

namespace varnix {
namespace {

bool pathBefore(const RemotePathBox::Item& item, const std::string& path)
{
    return item.path < path;
}

RemotePathBox::Item itemFor(const std::string& path)
{
    RemotePathBox::Item item;
    item.path = path;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    item.label = slash == std::string::npos || trimmed.size() == 1 ? trimmed : trimmed.substr(slash + 1);
    for (std::string up = remoteParent(path); !up.empty(); up = remoteParent(up))
        ++item.indent;
    return item;
}

} // namespace

std::vector<std::size_t> RemotePathBox::add(const std::string& path)
{
    std::vector<std::string> added;
    if (!path.empty())
        addOne(path, added);
    // Later insertions move the places of earlier ones: look them up now.
    std::vector<std::size_t> places;
    for (const std::string& one : added)
        places.push_back(*indexOf(one));
    std::sort(places.begin(), places.end());
    return places;
}

void RemotePathBox::addOne(const std::string& path, std::vector<std::string>& added)
{
    const std::string parent = remoteParent(path);
    if (!parent.empty() && parent != path)
        addOne(parent, added);
    auto at = std::lower_bound(items_.begin(), items_.end(), path, pathBefore);
    if (at != items_.end() && at->path == path)
        return;
    items_.insert(at, itemFor(path));
    added.push_back(path);
}

std::optional<std::size_t> RemotePathBox::indexOf(const std::string& path) const
{
    auto at = std::lower_bound(items_.begin(), items_.end(), path, pathBefore);
    if (at == items_.end() || at->path != path)
        return std::nullopt;
    return std::size_t(at - items_.begin());
}

} // namespace varnix
