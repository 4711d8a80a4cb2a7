#include "browser/local/LocalFileOps.h"
#include "browser/local/LocalPaths.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace varnix {
namespace {

TEST(LocalFileOps, NewFoldersAreNumberedFromTwo)
{
    struct Case { std::set<std::string> taken; const char* chosen; } cases[] = {
        {{}, "/f/New Folder"},
        {{"/f/New Folder"}, "/f/New Folder (2)"},
        {{"/f/New Folder", "/f/New Folder (2)"}, "/f/New Folder (3)"},
        {{"/f/New Folder (2)"}, "/f/New Folder"},
        {{"/f/New Folder", "/f/New Folder (3)"}, "/f/New Folder (2)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(newFolderPath("/f", [&](const std::string& p) { return c.taken.contains(p); }), c.chosen);
    EXPECT_EQ(newFolderPath("/", [](const std::string&) { return false; }), "/New Folder");
    EXPECT_EQ(newFolderPath("/f", [](const std::string&) { return true; }), "");

    test::TempTree tree;
    std::string root = tree.root().string();
    tree.mkdir("New Folder");
    tree.write("New Folder (2)", "a file takes the name too");
    std::string made = newFolderPath(root, pathExists);
    EXPECT_EQ(made, root + "/New Folder (3)");
    EXPECT_EQ(makeFolder(made), 0);
    EXPECT_TRUE(isDirectory(made));
    EXPECT_EQ(makeFolder(made), EEXIST);
}

TEST(LocalFileOps, ARenameNeverReplacesAnotherEntry)
{
    test::TempTree tree;
    std::string root = tree.root().string() + "/";
    tree.write("a.txt", "a");
    tree.write("b.txt", "b");
    EXPECT_EQ(renameEntry(root + "a.txt", root + "b.txt"), EEXIST);
    EXPECT_EQ(tree.read("b.txt"), "b");
    EXPECT_EQ(renameEntry(root + "a.txt", root + "c.txt"), 0);
    EXPECT_EQ(tree.read("c.txt"), "a");
    EXPECT_EQ(renameEntry(root + "gone", root + "d"), ENOENT);

    for (const char* bad : {"", ".", "..", "a/b"})
        EXPECT_NE(nameProblem(bad), "") << bad;
    for (const char* good : {"a", ".hidden", "a b (2).txt", "\xe9t\xe9"})
        EXPECT_EQ(nameProblem(good), "") << good;
}

} // namespace
} // namespace varnix
