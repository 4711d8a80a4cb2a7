#include "browser/local/CRefreshThread.h"

#include "browser/local/FolderWatcherChanges.h"
#include "browser/local/FolderWatcherReader.h"
#include "browser/local/FolderWatcherScan.h"
#include "browser/local/LocalPaths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace varnix {
namespace {

using Clock = std::chrono::steady_clock;

// A burst of changes (a file being written, a folder being unpacked) is
// read once it has paused this long, or at the latest after kMostSettle.
constexpr int kQuietMs = 50;
constexpr auto kMostSettle = std::chrono::milliseconds(300);

bool readable(const pollfd& p)
{
    return (p.revents & (POLLIN | POLLPRI | POLLERR)) != 0;
}

} // namespace

CRefreshThread::CRefreshThread(FolderWatcherReader& reader, FolderWatcherHandOver::Post post,
                               FolderWatcherHandOver::Take take)
    : reader_(reader),
      handOver_(std::move(post), std::move(take)),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      // Turns "priority readable" whenever something is mounted or unmounted.
      mountsFd_(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC)),
      desktopChanges_(std::make_unique<FolderWatcherChanges>()),
      folderChanges_(std::make_unique<FolderWatcherChanges>())
{
}

CRefreshThread::~CRefreshThread()
{
    stop();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    if (mountsFd_ >= 0)
        ::close(mountsFd_);
}

void CRefreshThread::start(const std::string& folder)
{
    {
        std::lock_guard lock(folderLock_);
        folder_ = folder;
    }
    thread_ = std::thread([this] { run(); });
}

void CRefreshThread::setFolder(const std::string& folder)
{
    {
        std::lock_guard lock(folderLock_);
        folder_ = folder;
    }
    wake();
}

void CRefreshThread::refresh()
{
    if (rebuildRequested_.exchange(true))
        return;
    wake();
}

void CRefreshThread::stop()
{
    quitRequested_.store(true);
    handOver_.close();
    wake();
    if (thread_.joinable())
        thread_.join();
}

void CRefreshThread::wake()
{
    std::uint64_t one = 1;
    if (wakeFd_ >= 0)
        (void)!::write(wakeFd_, &one, sizeof one);
}

std::string CRefreshThread::takeFolder()
{
    std::lock_guard lock(folderLock_);
    return folder_;
}

void CRefreshThread::run()
{
    shown_ = takeFolder();
    readDesktop();
    watchFolder();
    tree_ = desktop_.treeFor(shown_);
    contents_ = build();
    if (!handOver_.deliver(kTreeChanged | kContentsChanged))
        return;
    while (!quitRequested_.load() && waitAndHandle()) {
    }
}

// One wake-up: the window's wish first, then the desktop, then the folder.
bool CRefreshThread::waitAndHandle()
{
    pollfd fds[4] = {{wakeFd_, POLLIN, 0},
                     {desktopChanges_->fd(), POLLIN, 0},
                     {mountsFd_, POLLPRI, 0},
                     {folderChanges_->fd(), POLLIN, 0}};
    if (::poll(fds, 4, -1) < 0)
        return errno == EINTR;
    if (readable(fds[0])) {
        std::uint64_t count;
        (void)!::read(wakeFd_, &count, sizeof count);
        return !quitRequested_.load() && folderChosen();
    }
    if (readable(fds[1]) || readable(fds[2]))
        return desktopChanged(readable(fds[2]));
    if (readable(fds[3]))
        return folderChanged();
    return true;
}

bool CRefreshThread::folderChosen()
{
    shown_ = takeFolder();
    watchFolder();
    if (rebuildRequested_.load())
        readDesktop();
    tree_ = desktop_.treeFor(shown_);
    contents_ = build();
    rebuildRequested_.store(false);
    return handOver_.deliver(kTreeChanged | kContentsChanged);
}

// Only folders matter on the desktop: the Desktop folder's own folders, the
// Desktop folder itself coming or going, and volumes mounted or unmounted.
bool CRefreshThread::desktopChanged(bool mountsChanged)
{
    bool relevant = mountsChanged;
    std::string desktopName = lastComponent(desktop_.desktopFolder());
    for (const FolderWatcherChanges::Change& change : desktopChanges_->take()) {
        if (FolderWatcherChanges::isOverflow(change.mask))
            relevant = true;
        else if (change.watch == desktopWatch_)
            relevant |= FolderWatcherChanges::isFolderEvent(change.mask) || FolderWatcherChanges::isGone(change.mask);
        else if (change.watch == desktopParentWatch_)
            relevant |= change.name == desktopName;
    }
    if (!relevant)
        return true;
    settle(*desktopChanges_);
    readDesktop();
    tree_ = desktop_.treeFor(shown_);
    int what = kTreeChanged;
    if (shown_.empty()) {
        contents_ = build();
        what |= kContentsChanged;
    }
    return handOver_.deliver(what);
}

bool CRefreshThread::folderChanged()
{
    folderChanges_->take();
    if (ignoreChanges_.load())
        return true;
    settle(*folderChanges_);
    if (ignoreChanges_.load())
        return true;
    contents_ = build();
    return handOver_.deliver(kContentsChanged);
}

// Waits for a pause in the changes, reading them as they come; a wish of
// the window ends the wait at once.
void CRefreshThread::settle(FolderWatcherChanges& watch)
{
    Clock::time_point until = Clock::now() + kMostSettle;
    while (Clock::now() < until) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {watch.fd(), POLLIN, 0}};
        if (::poll(fds, 2, kQuietMs) <= 0 || readable(fds[0]))
            return;
        watch.take();
    }
}

void CRefreshThread::readDesktop()
{
    FolderWatcherReader::Desktop desktop = reader_.readDesktop();
    bool desktopIsPlace = false;
    for (const Place& place : desktop.places)
        desktopIsPlace |= place.path == desktop.desktopFolder;
    std::vector<std::string> shortcuts = desktopIsPlace ? subfolders(desktop.desktopFolder) : std::vector<std::string>{};
    desktop_ = DesktopNamespace(std::move(desktop.places), std::move(desktop.desktopFolder), std::move(shortcuts));
    watchDesktop();
}

void CRefreshThread::watchDesktop()
{
    desktopChanges_->reset();
    desktopWatch_ = desktopChanges_->add(desktop_.desktopFolder(), FolderWatcherChanges::kFolderNames);
    desktopParentWatch_ =
        desktopChanges_->add(parentPath(desktop_.desktopFolder()), FolderWatcherChanges::kFolderNames);
}

void CRefreshThread::watchFolder()
{
    folderChanges_->reset();
    folderChanges_->add(shown_, FolderWatcherChanges::kContents);
}

ContentsHandle CRefreshThread::build() const
{
    if (shown_.empty())
        return makeShared<const FolderContents>(desktop_.rootContents());
    return makeShared<const FolderContents>(scanFolder(shown_, reader_, quitRequested_));
}

} // namespace varnix
