#pragma once
// The desktop a local window browses from: a root that stands for the
// desktop itself (it has no path), and below it the places a person starts
// from: the home folder, the Desktop folder, the file system's root and the
// mounted volumes. Real folders lie below the places. A folder belongs to the
// place with the longest path above it, so the path box shows it as that
// place's descendant and Up One Level from a place returns to the desktop.

#include "browser/local/LocalItem.h"

#include <string>
#include <string_view>
#include <vector>

namespace varnix {

struct Place {
    std::string path;
    std::string name;
    std::string typeName;
    std::string iconName;
};

class DesktopNamespace {
public:
    static constexpr std::string_view kDesktopName = "Desktop";
    static constexpr std::string_view kDesktopIcon = "user-desktop";
    static constexpr std::string_view kFolderIcon = "folder";
    static constexpr std::string_view kOpenFolderIcon = "folder-open";

    DesktopNamespace() = default;
    // `desktopSubfolders` are the Desktop folder's own folders, listed in the
    // tree right after it, as the place a person keeps things at hand.
    DesktopNamespace(std::vector<Place> places, std::string desktopFolder,
                     std::vector<std::string> desktopSubfolders = {});

    const std::vector<Place>& places() const { return places_; }
    const std::string& desktopFolder() const { return desktopFolder_; }

    // The desktop, its places and the chain down to `folder`, which is marked.
    FolderTree treeFor(const std::string& folder) const;
    // What the desktop itself lists: its places, without file status.
    FolderContents rootContents() const;
    // The desktop's name, a place's name, or the folder's own name.
    std::string nameOf(const std::string& folder) const;

    // Whether a mounted file system is one a person would open: not the
    // root (already a place), not a kernel or memory file system, and not
    // mounted inside the system's own folders.
    static bool isUserVolume(std::string_view mountPoint, std::string_view fileSystemType);

private:
    int mark(FolderTree& tree, const std::string& folder) const;
    const Place* placeAt(const std::string& path) const;

    std::vector<Place> places_;
    std::string desktopFolder_;
    std::vector<std::string> desktopSubfolders_;
};

} // namespace varnix
