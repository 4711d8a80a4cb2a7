#include "model/RemotePath.h"

#include <gtest/gtest.h>

using namespace varnix;

TEST(RemotePath, JoinSplitAbsoluteAndParent)
{
    struct Case {
        const char* path;
        const char* login;
        const char* absolute;
        const char* folder;
        const char* name;
        const char* parent;
    };
    const Case cases[] = {
        {"/pub/file.txt", "/home/u", "/pub/file.txt", "/pub", "file.txt", "/pub"},
        {"/file.txt", "/home/u", "/file.txt", "/", "file.txt", "/"},
        {"docs/a b.txt", "/home/u", "/home/u/docs/a b.txt", "/home/u/docs", "a b.txt", "docs"},
        {"a.txt", "/", "/a.txt", "/", "a.txt", ""},
        {"/pub/dir/", "/", "/pub/dir/", "/pub", "dir", "/pub"},
        {".", "/home/u", "/home/u", "/home", "u", ""},
        {"", "/home/u/", "/home/u/", "/home", "u", ""},
        {"/", "/x", "/", "/", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(absoluteRemotePath(c.path, c.login), c.absolute) << c.path;
        RemotePath split = splitRemotePath(c.path, c.login);
        EXPECT_EQ(split.folder, c.folder) << c.path;
        EXPECT_EQ(split.name, c.name) << c.path;
        EXPECT_EQ(remoteParent(c.path), c.parent) << c.path;
    }
    EXPECT_EQ(joinRemotePath("/", "a"), "/a");
    EXPECT_EQ(joinRemotePath("/pub", "a"), "/pub/a");
    EXPECT_EQ(joinRemotePath("/pub/", "a"), "/pub/a");
    EXPECT_EQ(joinRemotePath("", "a"), "a");
}

TEST(RemotePath, AncestorsLinksAndContainment)
{
    EXPECT_EQ(remoteAncestors("/a/b"), (std::vector<std::string>{"/", "/a", "/a/b"}));
    EXPECT_EQ(remoteAncestors("/"), (std::vector<std::string>{"/"}));
    EXPECT_EQ(resolveRemoteLink("/pub/tree", "sub"), "/pub/tree/sub");
    EXPECT_EQ(resolveRemoteLink("/pub/tree", "../other/./x/"), "/pub/other/x");
    EXPECT_EQ(resolveRemoteLink("/pub", "/../../etc"), "/etc");
    EXPECT_EQ(resolveRemoteLink("/pub", ".."), "/");
    EXPECT_TRUE(isWithinRemoteFolder("/pub/tree/sub", "/pub/tree"));
    EXPECT_TRUE(isWithinRemoteFolder("/pub/tree", "/pub/tree/"));
    EXPECT_TRUE(isWithinRemoteFolder("/anything", "/"));
    EXPECT_FALSE(isWithinRemoteFolder("/pub/treehouse", "/pub/tree"));
    EXPECT_EQ(remoteLocationText("anonymous@h:21", "/pub", "f"), "anonymous@h:21/pub/f");
    EXPECT_EQ(remoteLocationText("anonymous@h:21", "/", "f"), "anonymous@h:21/f");
}
