#pragma once
// The remote window's rules, apart from its widgets: which folder it shows
// and how it got there, what each command does and when it may run, what
// the session's notices change, and how one item is transferred.
//
// The window never touches the network. It posts tasks to its own session
// (WindowSession) and learns their outcome from notices, which arrive on the
// UI thread; a listed folder is shown from the site's directory cache, so
// going back to a folder already listed sends nothing to the server. Before
// the first folder is shown, a failed connection is tried again after the
// site's RetryDelay (the status counting down with what failed), up to
// RetryCount times, and a refused login asks for new credentials; once the
// window has given up, Refresh tries again.

#include "browser/remote/RemoteInterfaces.h"
#include "browser/remote/RemotePathBox.h"
#include "platform/NoticeTarget.h"
#include "queue/QueueItem.h"
#include "queue/WindowSession.h"
#include "site/SessionNotice.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

enum class RemoteCommand {
    Download,
    Queue,
    Transfer,      // Download or Queue, as the site's TransferNow says
    Delete,
    Rename,
    Properties,
    Refresh,
    Cancel,
    ReplicateView,
    SiteSettings,
    Bookmark,
    LastFolder,    // Go To Last Folder Visited
    UpOneLevel,
    NewFolder,     // Create New Folder
};

class RemoteBrowser : public WindowSession, public NoticeReceiver {
public:
    // The status after a task on a connection that has no encryption,
    // although the site would have used TLS had the server offered it.
    static constexpr const char* kPlainDone = "Done. Not encrypted: the server does not offer TLS";

    RemoteBrowser(SiteHandle site, std::string initialPath, RemoteView& view, BrowserDialogs& dialogs,
                  BrowserHost& host);
    // Stops taking notices, then releases the session.
    ~RemoteBrowser() override;

    // Goes to the initial folder; called once the view is ready.
    void open();

    // Where "Do not ask again" under the delete question is kept, for every
    // site: the value is 0 once ticked.
    static constexpr std::string_view kQuestionsSection = "Questions";
    static constexpr std::string_view kAskBeforeDelete = "AskBeforeDelete";
    // "Delete 3 items from the server, including 1 folder with everything in it?"
    static std::string deleteQuestion(std::size_t items, std::size_t folders);

    const std::string& currentPath() const { return currentPath_; }
    const std::string& initialPath() const { return initialPath_; }
    const std::vector<std::string>& pathHistory() const { return pathHistory_; }
    const RemotePathBox& folderPaths() const { return paths_; }
    const FolderHandle& shownFolder() const { return shown_; }
    unsigned attempts() const { return attempts_; }
    NoticeTarget target() const { return target_; }
    // The site's TransferNow, read under the site's lock.
    bool transferNow() const;

    // Cancel stops what the window started: the work of its own session
    // and the transfers it started at once, which run on the sessions it
    // handed over to the queue.
    bool canRun(RemoteCommand command, const RowSelection& selection) const;
    // Does nothing when the command may not run.
    void run(RemoteCommand command, const RowSelection& selection);

    // Shows the folder (or its subfolder `name`: "..", a folder, a link to
    // one) from the cache when it is there, else lists it.
    void navigate(const std::string& folder, const std::string& name);
    // Forgets the folder's listing; the shown folder is listed again.
    void refreshFolder(const std::string& path);
    // The path box: an item chosen, or Enter pressed on the typed text.
    void choosePath(const std::string& path);
    void enterPath(const std::string& text);
    // Double-click or Enter in the list: a folder opens, anything else is
    // downloaded or queued as TransferNow says.
    void activate(const RowSelection& selection);
    // A label edit ended with `text`; `entry` is null for the new folder's
    // row. The row keeps its label until the server's new listing arrives.
    void finishEdit(const RemoteFile* entry, const std::string& text);

    // One item each, asking about a destination that exists through
    // `choice` (one per command, so that "Use for all selected" carries
    // over); queued, or started at once on sessions handed over by the
    // windows involved. The item made, or none when it was dropped.
    QueueItemHandle download(const RemoteFile& entry, ConflictChoice& choice, bool startNow);
    // Into `folder` rather than where downloads usually land (a drop onto
    // a local window that is not the current one).
    QueueItemHandle download(const RemoteFile& entry, ConflictChoice& choice, bool startNow,
                             const std::string& folder);
    QueueItemHandle upload(const std::string& localPath, ConflictChoice& choice, bool startNow);
    // From `source`'s folder into this window's folder.
    QueueItemHandle siteToSite(RemoteBrowser& source, const RemoteFile& entry, ConflictChoice& choice,
                               bool startNow);

    // The window's number in the table of drag sources: drops find the
    // rows dragged from it by this number until the window closes.
    std::uint64_t dragId() const { return dragId_; }
    // The window is closing: what was dragged from it is refused from now on.
    void withdrawFromDrags();

    // A drop that moves: `entry`, the source of `item`, leaves the server
    // once the item has completed. An item cleared from the queue before
    // that takes nothing with it, and neither does a failed one.
    void removeWhenDone(const QueueItemHandle& item, const RemoteFile& entry);
    bool movesPending() const { return !moves_.empty(); }
    // Deletes the sources of the moves whose items have completed and
    // forgets those whose items have left the queue.
    void settleMoves();

    // Session notices; always kept (666) and deleted here.
    std::intptr_t receiveMessage(unsigned message, void* param) override;
    void handle(const SessionNotice& notice);

protected:
    void adopted() override;

private:
    void showListing(const std::string& path);
    void reconnect();
    bool countdownText(const std::string& status) const;
    bool plainConnection() const;
    void lastFolder();
    void transferRows(const RowSelection& selection, bool startNow);
    void deleteRows(const RowSelection& selection);
    bool deleteConfirmed(const RowSelection& selection);
    void editProperties(const RemoteFile& entry);
    void replicate();
    void cancel();
    std::vector<QueueItemHandle> runningStarted() const;
    void failed(const SessionNotice& notice);
    void retryConnection(Recovery recovery, const std::string& message);
    bool fromOtherSession(const SessionNotice& notice) const;
    void enqueue(const QueueItemHandle& item, bool startNow, RemoteBrowser* source);
    void removeEntry(const std::string& folder, const std::string& name, bool realFolder);
    FolderHandle cached(const std::string& path) const;

    std::string initialPath_;
    RemoteView& view_;
    BrowserDialogs& dialogs_;
    BrowserHost& host_;
    NoticeTarget target_;
    std::string currentPath_;
    std::vector<std::string> pathHistory_;
    RemotePathBox paths_;
    FolderHandle shown_;
    unsigned attempts_ = 0;
    std::string retryReason_;     // what failed before the last countdown
    bool countingDown_ = false;
    std::uint64_t dragId_ = 0;

    struct Move {
        QueueItemHandle item;
        std::string folder;
        std::string name;
        bool realFolder = false;  // a folder, not a link to one: removed with RMD
    };
    std::vector<Move> moves_;
    // Transfers started from here, until they stop running.
    std::vector<QueueItemHandle> started_;
};

} // namespace varnix
