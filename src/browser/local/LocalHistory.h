#pragma once
// Where a local window is and where it has been: the folders visited, the
// newest last and the current one at the end. Every move tells the folder
// watcher, which brings the new folder's contents.

#include "browser/local/FolderWatcher.h"
#include "browser/local/LocalItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnix {

class LocalHistory {
public:
    // Starts at `folder` (empty: the desktop); the watcher is told when it starts.
    LocalHistory(FolderWatcher& watch, std::string folder);

    const std::string& current() const { return history_.back(); }
    std::size_t historySize() const { return history_.size(); }
    bool atDesktop() const { return current().empty(); }

    void goTo(const std::string& folder);
    // Go To Last Folder Visited: drops the current folder.
    bool canGoBack() const { return history_.size() > 1; }
    void goBack();
    // Up One Level: the folder above the current one as `tree` shows it,
    // or by its path when the tree does not hold it yet.
    void goUp(const FolderTree& tree);
    // Enter in the path box: the same folder is listed again, another one
    // is visited.
    void enter(const std::string& folder);
    // Enter in the path box on what was typed there (see typedFolder),
    // `shown` being the text the box showed for the current folder. False,
    // and nothing changes, when the text names no folder.
    bool enterTyped(std::string_view text, std::string_view shown, const std::string& home);

    // A folder just created, to be named in place once its row is listed.
    void expectNewFolder(std::string path) { pendingEditPath_ = std::move(path); }
    // The path once, when `contents` lists it; empty otherwise.
    std::string takeNewFolder(const FolderContents& contents);

private:
    FolderWatcher& watch_;
    std::vector<std::string> history_;
    std::string pendingEditPath_;
};

} // namespace varnix
