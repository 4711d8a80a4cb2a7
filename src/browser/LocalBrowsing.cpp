#include "browser/LocalBrowsing.h"

#include "browser/LocalPaths.h"

#include <algorithm>
#include <utility>

namespace varnix {

LocalBrowsing::LocalBrowsing(FolderWatch& watch, std::string folder) : watch_(watch), history_{std::move(folder)}
{
}

void LocalBrowsing::goTo(const std::string& folder)
{
    history_.push_back(folder);
    pendingEditPath_.clear();
    watch_.setFolder(folder);
}

void LocalBrowsing::goBack()
{
    if (!canGoBack())
        return;
    history_.pop_back();
    pendingEditPath_.clear();
    watch_.setFolder(current());
}

void LocalBrowsing::goUp(const FolderTree& tree)
{
    if (atDesktop())
        return;
    goTo(tree.parentOf(current()).value_or(parentPath(current())));
}

void LocalBrowsing::enter(const std::string& folder)
{
    if (folder == current())
        watch_.refresh();
    else
        goTo(folder);
}

std::string LocalBrowsing::takeNewFolder(const FolderContents& contents)
{
    if (pendingEditPath_.empty() || contents.folder != current())
        return {};
    bool listed = std::any_of(contents.items.begin(), contents.items.end(),
                              [&](const LocalItem& item) { return item.path == pendingEditPath_; });
    return listed ? std::exchange(pendingEditPath_, std::string()) : std::string();
}

} // namespace varnix
