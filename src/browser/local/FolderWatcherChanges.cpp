#include "browser/local/FolderWatcherChanges.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace varnix {

static_assert(FolderWatcherChanges::kContents ==
              (IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
               IN_MOVE_SELF));
static_assert(FolderWatcherChanges::kFolderNames ==
              (IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF));

FolderWatcherChanges::~FolderWatcherChanges()
{
    close();
}

void FolderWatcherChanges::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    watches_ = 0;
}

void FolderWatcherChanges::reset()
{
    close();
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

int FolderWatcherChanges::add(const std::string& folder, std::uint32_t mask)
{
    if (fd_ < 0 || folder.empty())
        return -1;
    int watch = ::inotify_add_watch(fd_, folder.c_str(), mask | IN_ONLYDIR);
    if (watch >= 0)
        ++watches_;
    return watch;
}

std::vector<FolderWatcherChanges::Change> FolderWatcherChanges::take()
{
    std::vector<Change> changes;
    if (fd_ < 0)
        return changes;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (char* at = buffer; at < buffer + got;) {
            inotify_event event;
            std::memcpy(&event, at, sizeof event);
            Change change{event.wd, event.mask, {}};
            if (event.len > 0)
                change.name = at + sizeof event;  // zero-padded
            changes.push_back(std::move(change));
            at += sizeof event + event.len;
        }
    }
    return changes;
}

bool FolderWatcherChanges::isFolderEvent(std::uint32_t mask)
{
    return (mask & IN_ISDIR) != 0;
}

bool FolderWatcherChanges::isOverflow(std::uint32_t mask)
{
    return (mask & IN_Q_OVERFLOW) != 0;
}

bool FolderWatcherChanges::isGone(std::uint32_t mask)
{
    return (mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0;
}

} // namespace varnix
