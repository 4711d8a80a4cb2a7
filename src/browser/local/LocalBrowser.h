#pragma once
// The local window's rules, apart from its widgets: where it starts, which
// folder it shows and how it got there, what the folder watcher's
// hand-overs change, what each command does and when it may run, and where
// what is dropped on it goes.
//
// The window never reads a folder: its watcher builds the folder tree and
// the contents on a thread of its own and hands them over on the UI
// thread. What was built for a folder the window has already left is
// passed over. Upload, Queue and Transfer follow the workspace's current
// remote window, which tells when it changes.

#include "browser/local/LocalCommands.h"
#include "browser/local/LocalHistory.h"
#include "browser/local/LocalItem.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

class ClashQuestion;
class FolderWatcher;
class UploadTarget;
class Workspace;
struct CopyPlan;
struct DropData;

// A message for the person; `detail` is shown below it. One that comes up
// while a hand-over or an edit is under way waits until that is over.
struct LocalMessage {
    std::string text;
    std::string detail;
    bool afterEvent = false;
};

class LocalView {
public:
    virtual ~LocalView() = default;
    // The window moved to another folder: its title and path box follow.
    virtual void showFolder() = 0;
    virtual void showTree(const FolderTree& tree) = 0;
    virtual void showContents(const FolderContents& contents) = 0;
    virtual void removeRows(const std::vector<std::string>& paths) = 0;
    // The row of `path`, a folder just made, gets its name typed in place.
    virtual void editName(const std::string& path) = 0;
    // What the commands' enabling rules answer may have changed.
    virtual void refreshCommands() = 0;
};

// What the rules ask of the desktop around the window and of the person.
class LocalDesktop {
public:
    virtual ~LocalDesktop() = default;
    virtual void warn(const LocalMessage& message) = 0;
    // A Yes/No question; true for Yes.
    virtual bool confirm(const std::string& question) = 0;
    // False, with the reason, when the item stays where it is.
    virtual bool moveToTrash(const std::string& path, std::string& why) = 0;
    // The desktop's default application for a file or folder.
    virtual bool openExternally(const std::string& path) = 0;
    virtual std::string homeFolder() = 0;
    // The Desktop folder's path, even when it does not exist.
    virtual std::string desktopFolder() = 0;
    virtual ClashQuestion& clashQuestion() = 0;
    // Copies the planned items, showing how far it got.
    virtual void copy(CopyPlan plan) = 0;
};

class LocalBrowser {
public:
    // Starts at `chosen` (empty: the desktop), or without one at `saved`,
    // where the window of this section was when it closed last; the
    // desktop when that folder is gone.
    static std::string startFolder(const std::optional<std::string>& chosen, const std::string& saved);

    LocalBrowser(FolderWatcher& watcher, LocalView& view, LocalDesktop& desktop, Workspace& workspace,
                 std::string start);
    ~LocalBrowser();
    LocalBrowser(const LocalBrowser&) = delete;
    LocalBrowser& operator=(const LocalBrowser&) = delete;

    const std::string& currentFolder() const { return history_.current(); }
    // Where downloads and drops land: the folder shown, or while the
    // desktop itself is shown the Desktop folder (the home folder while
    // there is none).
    std::string targetFolder() const;
    // The folder's name as the tree shows it, for the title.
    std::string title() const;
    // The path box's text for the current folder.
    std::string shownText() const;
    const FolderTree& tree() const { return tree_; }

    LocalCommands commands() const;
    void selectionChanged(std::size_t selected);

    // A hand-over from the watcher, with its bit set of what changed.
    void take(int what);

    void goTo(const std::string& folder);
    void goBack();
    void goUp();
    // Enter in the path box on `text`; a text that names no folder stays
    // in the box for the person to put right.
    void enterTyped(std::string_view text);
    void refresh();

    // Double-click or Enter on the rows: a single folder (or link to one)
    // opens here; files, and several rows, go to the current remote window.
    void activate(const std::vector<LocalItem>& rows);
    void upload(UploadKind kind, const std::vector<std::string>& paths);
    void open(const std::vector<std::string>& paths);
    // Into the trash, once the person agreed.
    void trash(const std::vector<std::string>& paths);
    // A name typed in place; false, and told why, when it is refused.
    bool rename(const LocalItem& item, const std::string& newName);
    // Create New Folder: "New Folder", named in place once it is listed.
    void createFolder();
    // Files are copied into the target folder, remote rows downloaded there.
    void drop(const DropData& data, bool move);

private:
    void navigated();
    UploadTarget* uploadTarget() const;
    void showContents();

    FolderWatcher& watcher_;
    LocalView& view_;
    LocalDesktop& desktop_;
    Workspace& workspace_;
    std::size_t uploadWatch_ = 0;
    LocalHistory history_;
    FolderTree tree_;
    ContentsHandle contents_;
    std::optional<std::string> listed_;  // the folder whose contents the list shows
    std::size_t selected_ = 0;
    bool deleting_ = false;
};

} // namespace varnix
