#pragma once
// How a folder watcher hands what it built to its window. The window's part
// runs on the UI thread while the watcher waits for it, so the window takes
// the new tree and contents while nothing can replace them. Closing (the
// window going away) releases a waiting watcher at once, and a hand-over
// that reaches the UI thread after the close does nothing.

#include <functional>
#include <memory>

namespace varnix {

class FolderWatcherHandOver {
public:
    // Queues a call for the UI thread and returns at once; callable from any thread.
    using Post = std::function<void(std::function<void()>)>;
    // The window's part, run on the UI thread.
    using Take = std::function<void(int what)>;

    FolderWatcherHandOver(Post post, Take take);
    ~FolderWatcherHandOver();
    FolderWatcherHandOver(const FolderWatcherHandOver&) = delete;
    FolderWatcherHandOver& operator=(const FolderWatcherHandOver&) = delete;

    // Watcher thread: waits until the window has taken `what`; false when
    // the hand-over was closed first.
    bool deliver(int what);
    // UI thread.
    void close();

private:
    struct State;
    std::shared_ptr<State> state_;
    Post post_;
};

} // namespace varnix
