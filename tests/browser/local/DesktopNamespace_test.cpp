#include "browser/local/DesktopNamespace.h"
#include "browser/local/LocalPaths.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

DesktopNamespace desktop()
{
    return DesktopNamespace({{"/home/me", "Home", "Folder", "user-home"},
                             {"/home/me/Desktop", "Desktop", "Folder", "user-desktop"},
                             {"/", "File System", "Volume", "drive-harddisk"},
                             {"/media/me/STICK", "STICK", "Volume", "drive-removable-media"}},
                            "/home/me/Desktop", {"/home/me/Desktop/work"});
}

// Each node as depth, name and a star on the current one.
std::string shown(const FolderTree& tree)
{
    std::string out;
    for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        out += (i ? " " : "") + std::to_string(tree.nodes[i].depth) + tree.nodes[i].name +
               (int(i) == tree.current ? "*" : "");
    return out;
}

TEST(DesktopNamespace, TheTreeHoldsThePlacesAndTheChainToTheCurrentFolder)
{
    struct Case { const char* folder; const char* tree; } cases[] = {
        {"", "0Desktop* 1Home 1Desktop 2work 1File System 1STICK"},
        {"/home/me", "0Desktop 1Home* 1Desktop 2work 1File System 1STICK"},
        {"/home/me/Desktop/work", "0Desktop 1Home 1Desktop 2work* 1File System 1STICK"},
        {"/home/me/src/app", "0Desktop 1Home 2src 3app* 1Desktop 2work 1File System 1STICK"},
        {"/home/me/Desktop/work/x", "0Desktop 1Home 1Desktop 2work 3x* 1File System 1STICK"},
        {"/usr/share", "0Desktop 1Home 1Desktop 2work 1File System 2usr 3share* 1STICK"},
        {"/media/me/STICK/photos", "0Desktop 1Home 1Desktop 2work 1File System 1STICK 2photos*"},
    };
    DesktopNamespace names = desktop();
    for (const Case& c : cases) {
        FolderTree tree = names.treeFor(c.folder);
        EXPECT_EQ(shown(tree), c.tree) << c.folder;
        EXPECT_EQ(tree.nodes[std::size_t(tree.current)].folder, c.folder);
    }

    // One level up is where the tree puts a folder: a place's is the desktop.
    struct Up { const char* folder; const char* parent; } ups[] = {
        {"/home/me/src/app", "/home/me/src"}, {"/home/me/src", "/home/me"}, {"/home/me", ""},
        {"/media/me/STICK/photos", "/media/me/STICK"}, {"/media/me/STICK", ""}, {"/usr", "/"}, {"/", ""},
    };
    for (const Up& u : ups)
        EXPECT_EQ(names.treeFor(u.folder).parentOf(u.folder), std::optional<std::string>(u.parent)) << u.folder;
    EXPECT_EQ(names.treeFor("").parentOf(""), std::nullopt);
    EXPECT_EQ(names.treeFor("/usr").parentOf("/elsewhere"), std::nullopt);

    EXPECT_EQ(names.nameOf(""), "Desktop");
    EXPECT_EQ(names.nameOf("/home/me"), "Home");
    EXPECT_EQ(names.nameOf("/home/me/src"), "src");
    FolderContents root = names.rootContents();
    ASSERT_EQ(root.items.size(), 4u);
    EXPECT_EQ(root.items[2].path, "/");
    EXPECT_TRUE(root.items[2].isFolder);
    EXPECT_FALSE(root.items[2].hasFileStatus);
}

TEST(DesktopNamespace, OnlyVolumesAPersonOpensArePlaces)
{
    struct Case { const char* mount; const char* type; bool shown; } cases[] = {
        {"/media/me/STICK", "vfat", true}, {"/run/media/me/DISK", "ext4", true}, {"/mnt/backup", "ext4", true},
        {"/data", "xfs", true},            {"/", "ext4", false},                 {"/proc", "proc", false},
        {"/sys/fs/cgroup", "cgroup2", false}, {"/run/user/1000", "tmpfs", false}, {"/dev/shm", "tmpfs", false},
        {"/boot/efi", "vfat", false},      {"/snap/core/1", "squashfs", false},  {"/var/lib/docker", "ext4", false},
        {"/usrdata", "ext4", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DesktopNamespace::isUserVolume(c.mount, c.type), c.shown) << c.mount;
}

TEST(RemotePathBox, TypedAndStoredPathsAreMadePlain)
{
    struct Case { const char* in; const char* normal; const char* parent; } cases[] = {
        {"/", "/", ""}, {"/a/b", "/a/b", "/a"}, {"//a//b/", "/a/b", "/a"}, {"/a/./b/../c", "/a/c", "/a"},
        {"/../a", "/a", "/"}, {"a/b", "", ""}, {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(normalPath(c.in), c.normal) << c.in;
        EXPECT_EQ(parentPath(normalPath(c.in)), c.parent) << c.in;
    }
    struct Typed { const char* text; const char* current; const char* folder; } typed[] = {
        {"/usr/share", "/home/me", "/usr/share"}, {"  docs/ ", "/home/me", "/home/me/docs"},
        {"..", "/home/me", "/home"},              {"~", "/usr", "/home/me"},
        {"~/x/../y", "", "/home/me/y"},           {"docs", "", ""},
        {"", "/usr", ""},
    };
    for (const Typed& t : typed)
        EXPECT_EQ(typedFolder(t.text, t.current, "/home/me"), t.folder) << t.text;
    EXPECT_EQ(joinPath("/", "a"), "/a");
    EXPECT_EQ(joinPath("/a", "b c"), "/a/b c");
}

TEST(RemotePathBox, WhatLandsOnTheDesktopGoesToTheDesktopFolderOrHome)
{
    const std::string home = "/home/me";
    struct Case { std::string desktop; std::string folder; } cases[] = {
        {"/tmp/", "/tmp"}, {"/tmp/./", "/tmp"}, {"", home}, {"/no/such/desktop", home}, {"/dev/null", home},
    };
    for (const Case& c : cases)
        EXPECT_EQ(desktopOrHome(c.desktop, home), c.folder) << c.desktop;
}

} // namespace
} // namespace varnix
