#pragma once
// What a local window's folder watcher builds off the UI thread: the
// entries of one folder and the tree of folders the path box shows. Both are
// built whole on the watcher's thread and then shared read-only with the
// window, which keeps its own handle for as long as it shows them.

#include "site/SharedHandle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnix {

// One entry of a local folder. Names and paths are bytes, as the file
// system keeps them.
struct LocalItem {
    std::string path;             // full file-system path
    std::string name;             // the file's name, or a place's name on the desktop
    std::string typeName;         // what the desktop calls this kind of file
    std::string iconName;         // theme icon, most specific first
    std::string fallbackIconName;
    std::int64_t modified = 0;    // seconds since 1970; only with hasFileStatus
    std::uint64_t size = 0;       // bytes; only with hasFileStatus
    bool isFolder = false;        // a folder, or a link to one
    bool hasFileStatus = false;   // the file's status could be read (not for places or broken links)

    bool operator==(const LocalItem&) const = default;
};

// The entries of one folder, in the order the folder listed them.
struct FolderContents {
    std::string folder;  // empty for the desktop itself
    std::vector<LocalItem> items;
    int error = 0;       // errno when the folder could not be read
};
using ContentsHandle = SharedHandle<const FolderContents>;

struct FolderNode {
    std::string folder;  // empty for the desktop itself
    std::string name;
    std::string iconName;
    std::string openIconName;
    int depth = 0;       // 0 for the desktop, 1 for its places, ...

    bool operator==(const FolderNode&) const = default;
};

// The desktop, its places, and the chain of folders from a place down to
// the current folder, in the order the path box lists them.
struct FolderTree {
    std::vector<FolderNode> nodes;
    int current = -1;

    int find(const std::string& folder) const;
    // One level up as the tree shows it: the nearest earlier node one level
    // shallower. None for the desktop or a folder the tree does not hold.
    std::optional<std::string> parentOf(const std::string& folder) const;
};

} // namespace varnix
