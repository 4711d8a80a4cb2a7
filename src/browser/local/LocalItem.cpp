#include "browser/local/LocalItem.h"

namespace varnix {

int FolderTree::find(const std::string& folder) const
{
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].folder == folder)
            return int(i);
    return -1;
}

std::optional<std::string> FolderTree::parentOf(const std::string& folder) const
{
    int at = find(folder);
    if (at <= 0)
        return std::nullopt;
    int depth = nodes[std::size_t(at)].depth;
    for (int i = at - 1; i >= 0; --i)
        if (nodes[std::size_t(i)].depth == depth - 1)
            return nodes[std::size_t(i)].folder;
    return std::nullopt;
}

} // namespace varnix
