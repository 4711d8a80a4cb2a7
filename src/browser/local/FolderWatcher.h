#pragma once
// A local window's folder watcher as the window's rules drive it: it is
// told which folder to show and when to read it again, and brings what it
// built in hand-overs, each with a bit set of what changed. CRefreshThread
// is the real one; tests drive the rules with their own.

#include "browser/local/LocalItem.h"

#include <string>

namespace varnix {

class FolderWatcher {
public:
    static constexpr int kTreeChanged = 1;
    static constexpr int kContentsChanged = 2;

    virtual ~FolderWatcher() = default;
    virtual void setFolder(const std::string& folder) = 0;
    // Rebuilds the tree as well as the contents; nothing while one is pending.
    virtual void refresh() = 0;
    virtual bool refreshPending() const = 0;
    // While set, changes in the folder are not reported.
    virtual void setIgnoreChanges(bool ignore) = 0;

    // What the current hand-over brings; read only while it is being taken.
    virtual const FolderTree& tree() const = 0;
    virtual const ContentsHandle& contents() const = 0;
};

} // namespace varnix
