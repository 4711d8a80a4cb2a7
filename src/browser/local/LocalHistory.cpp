#include "browser/local/LocalHistory.h"

#include "browser/local/LocalPaths.h"

#include <algorithm>
#include <utility>

namespace varnix {
namespace {

std::string_view trimmed(std::string_view text)
{
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

LocalHistory::LocalHistory(FolderWatcher& watch, std::string folder) : watch_(watch), history_{std::move(folder)}
{
}

void LocalHistory::goTo(const std::string& folder)
{
    history_.push_back(folder);
    pendingEditPath_.clear();
    watch_.setFolder(folder);
}

void LocalHistory::goBack()
{
    if (!canGoBack())
        return;
    history_.pop_back();
    pendingEditPath_.clear();
    watch_.setFolder(current());
}

void LocalHistory::goUp(const FolderTree& tree)
{
    if (atDesktop())
        return;
    goTo(tree.parentOf(current()).value_or(parentPath(current())));
}

void LocalHistory::enter(const std::string& folder)
{
    if (folder == current())
        watch_.refresh();
    else
        goTo(folder);
}

// An emptied box is only filled again; the text the box showed lists the
// folder again, which for the desktop is its title rather than a path.
bool LocalHistory::enterTyped(std::string_view text, std::string_view shown, const std::string& home)
{
    std::string_view typed = trimmed(text);
    if (typed.empty())
        return true;
    if (typed == trimmed(shown)) {
        watch_.refresh();
        return true;
    }
    std::string folder = typedFolder(typed, current(), home);
    if (!isDirectory(folder))
        return false;
    enter(folder);
    return true;
}

std::string LocalHistory::takeNewFolder(const FolderContents& contents)
{
    if (pendingEditPath_.empty() || contents.folder != current())
        return {};
    bool listed = std::any_of(contents.items.begin(), contents.items.end(),
                              [&](const LocalItem& item) { return item.path == pendingEditPath_; });
    return listed ? std::exchange(pendingEditPath_, std::string()) : std::string();
}

} // namespace varnix
