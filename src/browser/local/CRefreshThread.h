#pragma once
// A local window's folder watcher: one thread per window that reads the
// shown folder and the desktop's places, builds the folder tree and the
// folder's contents, and watches both for changes. What it builds it hands
// to the window through a FolderWatcherHandOver, waiting until the window
// has taken it; the window never reads a folder itself.
//
// Hand-overs carry a bit set: kTreeChanged, kContentsChanged or both.
// The window sets the folder, asks for a refresh and, while it deletes,
// has changes ignored; stop() ends the thread and waits for it.

#include "browser/local/DesktopNamespace.h"
#include "browser/local/FolderWatcher.h"
#include "browser/local/FolderWatcherHandOver.h"
#include "browser/local/LocalItem.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace varnix {

class FolderWatcherChanges;
class FolderWatcherReader;

class CRefreshThread : public FolderWatcher {
public:
    CRefreshThread(FolderWatcherReader& reader, FolderWatcherHandOver::Post post, FolderWatcherHandOver::Take take);
    ~CRefreshThread() override;
    CRefreshThread(const CRefreshThread&) = delete;
    CRefreshThread& operator=(const CRefreshThread&) = delete;

    // Builds and hands over `folder` (empty: the desktop), then watches.
    void start(const std::string& folder);
    void setFolder(const std::string& folder) override;
    void refresh() override;
    bool refreshPending() const override { return rebuildRequested_.load(); }
    void setIgnoreChanges(bool ignore) override { ignoreChanges_.store(ignore); }
    // Releases a waiting hand-over, ends the thread and waits for it.
    void stop();

    const FolderTree& tree() const override { return tree_; }
    const ContentsHandle& contents() const override { return contents_; }

private:
    void wake();
    void run();
    bool waitAndHandle();
    bool folderChosen();
    bool desktopChanged(bool mountsChanged);
    bool folderChanged();
    void settle(FolderWatcherChanges& watch);
    std::string takeFolder();
    void readDesktop();
    void watchDesktop();
    void watchFolder();
    ContentsHandle build() const;

    FolderWatcherReader& reader_;
    FolderWatcherHandOver handOver_;
    std::thread thread_;
    int wakeFd_ = -1;
    int mountsFd_ = -1;

    std::mutex folderLock_;
    std::string folder_;  // the folder to show next, guarded by folderLock_
    std::atomic<bool> rebuildRequested_{false};
    std::atomic<bool> ignoreChanges_{false};
    std::atomic<bool> quitRequested_{false};

    // The watcher thread's own.
    std::string shown_;
    DesktopNamespace desktop_;
    int desktopWatch_ = -1;
    int desktopParentWatch_ = -1;
    std::unique_ptr<FolderWatcherChanges> desktopChanges_;
    std::unique_ptr<FolderWatcherChanges> folderChanges_;
    FolderTree tree_;
    ContentsHandle contents_;
};

} // namespace varnix
