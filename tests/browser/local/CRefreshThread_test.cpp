// The folder watcher on real folders, its hand-overs run by a plain main
// loop standing in for the UI thread.

#include "browser/local/CRefreshThread.h"
#include "browser/local/FolderWatcherReader.h"
#include "platform/MainLoopDispatcher.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace varnix {
namespace {

using namespace std::chrono_literals;

struct PlainReader : FolderWatcherReader {
    Desktop readDesktop() override
    {
        ++desktops;
        return {{{home, "Home", "Folder", "user-home"}, {desktop, "Desktop", "Folder", "user-desktop"}}, desktop};
    }
    void describe(LocalItem& item) override { item.typeName = item.isFolder ? "Folder" : "File"; }

    std::string home;
    std::string desktop;
    std::atomic<int> desktops{0};
};

std::string names(const FolderContents& contents)
{
    std::vector<std::string> all;
    for (const LocalItem& item : contents.items)
        all.push_back(item.name + (item.isFolder ? "/" : ""));
    std::sort(all.begin(), all.end());
    std::string out;
    for (const std::string& name : all)
        out += (out.empty() ? "" : " ") + name;
    return out;
}

class Watcher : public ::testing::Test {
protected:
    Watcher()
    {
        reader.home = tree.root().string();
        reader.desktop = tree.mkdir("Desktop").string();
        tree.write("shown/a.txt", "aaa");
        tree.write("shown/.hidden", "");
        tree.mkdir("shown/sub");
        shown = tree.path("shown").string();
    }
    ~Watcher() override
    {
        if (watcher)
            watcher->stop();
    }

    void start(const std::string& folder)
    {
        watcher = std::make_unique<CRefreshThread>(
            reader, [this](std::function<void()> call) { loop.post(std::move(call)); },
            [this](int what) {
                handed.push_back(what);
                lastTree = watcher->tree();
                if (what & CRefreshThread::kContentsChanged)
                    listed.push_back(names(*watcher->contents()));
            });
        watcher->start(folder);
    }
    // Runs hand-overs until the folder lists `expected`.
    bool lists(const std::string& expected)
    {
        return loop.runUntil([&] { return !listed.empty() && listed.back() == expected; }, 5s);
    }
    std::string treeNames() const
    {
        std::string out;
        for (const FolderNode& node : lastTree.nodes)
            out += (out.empty() ? "" : " ") + node.name + (&node == &lastTree.nodes[std::size_t(lastTree.current)] ? "*" : "");
        return out;
    }

    test::TempTree tree;
    MainLoopDispatcher loop;
    PlainReader reader;
    std::string shown;
    std::unique_ptr<CRefreshThread> watcher;
    std::vector<int> handed;
    std::vector<std::string> listed;
    FolderTree lastTree;
};

TEST_F(Watcher, ReportsFilesCreatedRenamedAndDeletedInTheShownFolder)
{
    start(shown);
    ASSERT_TRUE(lists("a.txt sub/"));
    EXPECT_EQ(handed.front(), CRefreshThread::kTreeChanged | CRefreshThread::kContentsChanged);
    EXPECT_EQ(treeNames(), "Desktop Home shown* Desktop");

    tree.write("shown/b.txt", "bb");
    ASSERT_TRUE(lists("a.txt b.txt sub/"));
    std::filesystem::rename(tree.path("shown/b.txt"), tree.path("shown/c.txt"));
    ASSERT_TRUE(lists("a.txt c.txt sub/"));
    std::filesystem::remove(tree.path("shown/a.txt"));
    ASSERT_TRUE(lists("c.txt sub/"));
    EXPECT_EQ(handed.back(), CRefreshThread::kContentsChanged);

    // Changes elsewhere are not the shown folder's.
    std::size_t before = handed.size();
    tree.write("other.txt", "x");
    loop.runUntil([] { return false; }, 400ms);
    EXPECT_EQ(handed.size(), before);
}

TEST_F(Watcher, IgnoresChangesWhileToldAndRebuildsEverythingOnRefresh)
{
    start(shown);
    ASSERT_TRUE(lists("a.txt sub/"));
    int desktops = reader.desktops;
    watcher->setIgnoreChanges(true);
    tree.write("shown/quiet.txt", "");
    loop.runUntil([] { return false; }, 500ms);
    EXPECT_EQ(listed.back(), "a.txt sub/");
    watcher->setIgnoreChanges(false);

    watcher->refresh();
    EXPECT_TRUE(watcher->refreshPending());
    watcher->refresh();  // already pending: one rebuild
    ASSERT_TRUE(lists("a.txt quiet.txt sub/"));
    EXPECT_FALSE(watcher->refreshPending());
    EXPECT_EQ(reader.desktops, desktops + 1);
    loop.runUntil([] { return false; }, 300ms);
    EXPECT_EQ(handed.back(), CRefreshThread::kTreeChanged | CRefreshThread::kContentsChanged);
}

TEST_F(Watcher, FollowsTheChosenFolderAndTheDesktopsFolders)
{
    start(shown);
    ASSERT_TRUE(lists("a.txt sub/"));
    watcher->setFolder(shown + "/sub");
    ASSERT_TRUE(lists(""));
    EXPECT_EQ(treeNames(), "Desktop Home shown sub* Desktop");
    tree.write("shown/sub/new.txt", "");
    ASSERT_TRUE(lists("new.txt"));

    // A folder made on the Desktop changes the tree of every window.
    tree.mkdir("Desktop/project");
    ASSERT_TRUE(loop.runUntil([&] { return treeNames() == "Desktop Home shown sub* Desktop project"; }, 5s));
    EXPECT_EQ(handed.back(), CRefreshThread::kTreeChanged);
    // The desktop itself lists its places, and follows them.
    watcher->setFolder("");
    ASSERT_TRUE(lists("Desktop/ Home/"));
    tree.mkdir("Desktop/more");
    ASSERT_TRUE(loop.runUntil([&] { return lastTree.nodes.size() == 5; }, 5s));
    EXPECT_EQ(handed.back(), CRefreshThread::kTreeChanged | CRefreshThread::kContentsChanged);
}

TEST_F(Watcher, StopsWhileItsHandOverWaits)
{
    std::vector<std::function<void()>> neverRun;
    std::atomic<bool> posted{false};
    CRefreshThread stuck(
        reader,
        [&](std::function<void()> call) {
            neverRun.push_back(std::move(call));
            posted = true;
        },
        [](int) { FAIL() << "taken after the stop"; });
    stuck.start(shown);
    while (!posted)
        std::this_thread::sleep_for(5ms);
    stuck.stop();
    for (auto& call : neverRun)
        call();  // arrives late: does nothing
}

} // namespace
} // namespace varnix
