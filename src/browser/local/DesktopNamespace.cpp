#include "browser/local/DesktopNamespace.h"

#include "browser/local/LocalPaths.h"

#include <algorithm>
#include <array>

namespace varnix {

DesktopNamespace::DesktopNamespace(std::vector<Place> places, std::string desktopFolder,
                                   std::vector<std::string> desktopSubfolders)
    : places_(std::move(places)), desktopFolder_(std::move(desktopFolder)),
      desktopSubfolders_(std::move(desktopSubfolders))
{
}

FolderTree DesktopNamespace::treeFor(const std::string& folder) const
{
    FolderTree tree;
    std::string desktopIcon(kDesktopIcon);
    tree.nodes.push_back({"", std::string(kDesktopName), desktopIcon, desktopIcon, 0});
    for (const Place& place : places_) {
        tree.nodes.push_back({place.path, place.name, place.iconName, place.iconName, 1});
        if (place.path != desktopFolder_)
            continue;
        for (const std::string& sub : desktopSubfolders_)
            tree.nodes.push_back({sub, lastComponent(sub), std::string(kFolderIcon), std::string(kOpenFolderIcon), 2});
    }
    tree.current = mark(tree, folder);
    return tree;
}

// The folder's node, inserted after its parent's (itself found or inserted
// the same way) when the tree does not hold it yet.
int DesktopNamespace::mark(FolderTree& tree, const std::string& folder) const
{
    if (int found = tree.find(folder); found >= 0)
        return found;
    int parent = mark(tree, parentPath(folder));
    FolderNode node{folder, lastComponent(folder), std::string(kFolderIcon), std::string(kOpenFolderIcon),
                    tree.nodes[std::size_t(parent)].depth + 1};
    tree.nodes.insert(tree.nodes.begin() + parent + 1, std::move(node));
    return parent + 1;
}

const Place* DesktopNamespace::placeAt(const std::string& path) const
{
    auto found = std::find_if(places_.begin(), places_.end(), [&](const Place& p) { return p.path == path; });
    return found == places_.end() ? nullptr : &*found;
}

FolderContents DesktopNamespace::rootContents() const
{
    FolderContents contents;
    for (const Place& place : places_) {
        LocalItem item;
        item.path = place.path;
        item.name = place.name;
        item.typeName = place.typeName;
        item.iconName = place.iconName;
        item.fallbackIconName = std::string(kFolderIcon);
        item.isFolder = true;
        contents.items.push_back(std::move(item));
    }
    return contents;
}

std::string DesktopNamespace::nameOf(const std::string& folder) const
{
    if (folder.empty())
        return std::string(kDesktopName);
    if (const Place* place = placeAt(folder))
        return place->name;
    return lastComponent(folder);
}

bool DesktopNamespace::isUserVolume(std::string_view mountPoint, std::string_view fileSystemType)
{
    static constexpr std::array<std::string_view, 24> kernelTypes{
        "autofs", "binfmt_misc", "bpf",     "cgroup",   "cgroup2", "configfs", "debugfs",   "devpts",
        "devtmpfs", "efivarfs",  "fusectl", "hugetlbfs", "mqueue", "nsfs",    "proc",      "pstore",
        "ramfs",  "rpc_pipefs",  "securityfs", "sysfs", "tmpfs",   "tracefs", "fuse.portal", "squashfs"};
    static constexpr std::array<std::string_view, 10> systemFolders{"/proc", "/sys", "/dev", "/run", "/boot",
                                                                    "/efi",  "/snap", "/var", "/usr", "/etc"};
    if (mountPoint.empty() || mountPoint == "/" ||
        std::find(kernelTypes.begin(), kernelTypes.end(), fileSystemType) != kernelTypes.end())
        return false;
    if (mountPoint.starts_with("/run/media/"))
        return true;
    auto inside = [&](std::string_view folder) {
        return mountPoint == folder || (mountPoint.starts_with(folder) && mountPoint[folder.size()] == '/');
    };
    return std::none_of(systemFolders.begin(), systemFolders.end(), inside);
}

} // namespace varnix
