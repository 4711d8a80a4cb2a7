#include "support/TempTree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

TEST(TempTree, BuildsFilesFoldersAndLinksAndRemovesThem)
{
    fs::path root;
    {
        TempTree tree;
        root = tree.root();
        tree.write("docs/readme.txt", "hello\r\n");
        tree.mkdir("empty/inner");
        tree.symlink("link-to-docs", "docs");
        tree.symlink("dangling", "no-such-file");

        EXPECT_EQ(tree.read("docs/readme.txt"), "hello\r\n");
        EXPECT_TRUE(fs::is_directory(tree.path("empty/inner")));
        EXPECT_EQ(fs::read_symlink(tree.path("link-to-docs")), "docs");
        EXPECT_TRUE(tree.exists("dangling"));
        EXPECT_FALSE(tree.exists("missing"));
    }
    EXPECT_FALSE(fs::exists(root));
}

TEST(TempTree, SizedContentIsDeterministicAndOffsetBased)
{
    TempTree tree;
    tree.writeSized("long.bin", 100000, 7);
    tree.writeSized("short.bin", 1234, 7);
    tree.writeSized("other.bin", 1234, 8);

    const std::string longer = tree.read("long.bin");
    ASSERT_EQ(longer.size(), 100000u);
    EXPECT_EQ(longer, TempTree::sizedContent(100000, 7));
    EXPECT_EQ(tree.read("short.bin"), longer.substr(0, 1234));
    EXPECT_NE(tree.read("other.bin"), tree.read("short.bin"));
}

TEST(TempTree, SetsModificationTimeOfFilesAndLinks)
{
    TempTree tree;
    tree.write("a.txt", "a");
    tree.symlink("a.link", "a.txt");
    tree.setMtime("a.txt", 946684800);   // 2000-01-01
    tree.setMtime("a.link", 1000000000); // the link itself, not its target

    struct stat st{};
    ASSERT_EQ(::lstat(tree.path("a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 946684800);
    ASSERT_EQ(::lstat(tree.path("a.link").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
}

TEST(TempTree, SparseFilesPassFourGibibytesWithoutUsingDisk)
{
    TempTree tree;
    const std::uint64_t size = (std::uint64_t{5} << 30) + 17;
    tree.makeSparse("huge.bin", size);

    struct stat st{};
    ASSERT_EQ(::stat(tree.path("huge.bin").c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), size);
    EXPECT_LT(static_cast<std::uint64_t>(st.st_blocks) * 512, std::uint64_t{1} << 20);
}

} // namespace
} // namespace varnix::test
