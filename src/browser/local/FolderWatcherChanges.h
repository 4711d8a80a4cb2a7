#pragma once
// Change notifications on a few local folders: one inotify instance whose
// descriptor turns readable when something happened in them. A watch that
// cannot be set up (no such folder, the desktop itself, no inotify left)
// simply never reports.

#include <cstdint>
#include <string>
#include <vector>

namespace varnix {

class FolderWatcherChanges {
public:
    // Names, sizes and times of the entries in a shown folder.
    static constexpr std::uint32_t kContents = 0x2 | 0x4 | 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x800;
    // Folders created, removed or renamed.
    static constexpr std::uint32_t kFolderNames = 0x40 | 0x80 | 0x100 | 0x200 | 0x400 | 0x800;

    struct Change {
        int watch = -1;
        std::uint32_t mask = 0;
        std::string name;
    };

    FolderWatcherChanges() = default;
    ~FolderWatcherChanges();
    FolderWatcherChanges(const FolderWatcherChanges&) = delete;
    FolderWatcherChanges& operator=(const FolderWatcherChanges&) = delete;

    // Drops every watch and starts again empty.
    void reset();
    // The watch's number, or -1 when it could not be set up.
    int add(const std::string& folder, std::uint32_t mask);
    // -1 while nothing is watched.
    int fd() const { return watches_ > 0 ? fd_ : -1; }
    // Everything reported so far; never blocks.
    std::vector<Change> take();

    static bool isFolderEvent(std::uint32_t mask);
    static bool isOverflow(std::uint32_t mask);
    static bool isGone(std::uint32_t mask);

private:
    void close();

    int fd_ = -1;
    int watches_ = 0;
};

} // namespace varnix
