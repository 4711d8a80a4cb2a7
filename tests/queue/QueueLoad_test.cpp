// The queue under load against real servers: many transfers side by side,
// each on a connection of its own, and a long chain of queued items passed
// from one to the next on a single connection.

#include "QueueHarness.h"

#include "support/SameBytes.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace varnix {
namespace {

using test::FakeWindow;
using test::FtpServer;
using test::QueueHarness;
using test::ServerKind;
using test::TempTree;

// Generous: a loaded machine, and the sanitizer builds run the same tests.
constexpr int kLimitSeconds = 180;

// Empty files, the edges of one transfer buffer (4096 bytes by default) and
// larger ones; the first `count` sizes of this cycle, one of several MiB.
std::vector<std::uint64_t> variedSizes(int count)
{
    const std::vector<std::uint64_t> cycle{0, 1, 4095, 4096, 4097, 150000, 300001, 0, 65536, 420000};
    std::vector<std::uint64_t> sizes;
    for (int i = 0; i < count; ++i)
        sizes.push_back(cycle[i % cycle.size()]);
    sizes[count / 2] = (3u << 20) + 17;
    return sizes;
}

// Small enough that a long chain stays quick; every tenth one empty.
std::vector<std::uint64_t> smallSizes(int count)
{
    std::vector<std::uint64_t> sizes;
    for (int i = 0; i < count; ++i)
        sizes.push_back(i % 10 == 0 ? 0 : std::uint64_t(i) * 97 % 9000 + 1);
    return sizes;
}

// Distinct files in `folder`, each with content of its own; their names.
std::vector<std::string> writeFiles(TempTree& tree, const std::string& folder, const std::string& prefix,
                                    const std::vector<std::uint64_t>& sizes)
{
    tree.mkdir(folder);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        names.push_back(prefix + std::to_string(i) + ".bin");
        tree.writeSized(folder + "/" + names.back(), sizes[i], i + 1);
    }
    return names;
}

std::set<std::string> fileNames(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The same file names in both folders, each with the same bytes.
::testing::AssertionResult sameFolder(const TempTree& actual, const TempTree& expected, const std::string& folder)
{
    const auto got = fileNames(actual.path(folder)), wanted = fileNames(expected.path(folder));
    if (got != wanted)
        return ::testing::AssertionFailure() << folder << " holds " << got.size() << " files instead of "
                                             << wanted.size() << " (or other names)";
    for (const std::string& name : wanted) {
        const std::string rel = folder + "/" + name;
        if (auto same = test::sameBytes(actual.read(rel), expected.read(rel)); !same)
            return same << " in " << rel;
    }
    return ::testing::AssertionSuccess();
}

bool allFinished(const std::vector<QueueItemHandle>& items)
{
    return std::none_of(items.begin(), items.end(), [](const QueueItemHandle& i) { return i->running(); });
}

// The RETR and STOR lines the server received, in order. An empty file may
// be downloaded without a RETR once its size is known to be 0, so those are
// left out: whether the size is known depends on the server.
std::vector<std::string> transfersOfContent(const std::vector<std::string>& commands, const TempTree& remote)
{
    std::vector<std::string> out;
    for (const std::string& line : commands) {
        if (line.rfind("STOR ", 0) == 0)
            out.push_back(line);
        else if (line.rfind("RETR ", 0) == 0 && !remote.read("down/" + line.substr(5)).empty())
            out.push_back(line);
    }
    return out;
}

class QueueLoad : public ::testing::TestWithParam<ServerKind> {
protected:
    QueueLoad() : server(GetParam(), remote.root()), site(h.site(server)), sessionsBefore(CFTPSession::liveSessions())
    {
        remote.mkdir("up");
    }

    // Queued as the windows queue with immediate transfer off.
    QueueItemHandle queueDownload(const std::string& name)
    {
        auto item = newDownload(site, server.remotePath("down"), name, local.path("down/" + name).string(), false);
        return queue(item);
    }
    QueueItemHandle queueUpload(const std::string& name)
    {
        auto item = newUpload(site, server.remotePath("up"), local.path("up/" + name).string(), name, false);
        return queue(item);
    }
    QueueItemHandle queue(const QueueItemHandle& item)
    {
        item->queued = true;
        h.queue->add(item);
        return item;
    }

    void expectAllComplete(const std::vector<QueueItemHandle>& items)
    {
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(h.rows.status(items[i]), "Complete") << "item " << i << ": " << items[i]->failure;
            EXPECT_FALSE(items[i]->queued) << i;
        }
        EXPECT_TRUE(allFinished(h.queue->items()));
    }

    // Closes the queue and the windows, as the program does when it ends,
    // and waits for every session thread they had to end.
    void expectNoSessionLeft()
    {
        h.queue.reset();
        for (auto& w : h.ownedWindows)
            h.windows.remove(w.get());
        h.ownedWindows.clear();
        EXPECT_TRUE(h.runUntil([&] { return CFTPSession::liveSessions() == sessionsBefore; }, kLimitSeconds))
            << CFTPSession::liveSessions() - sessionsBefore << " sessions still live";
        EXPECT_TRUE(CFTPSession::waitForAllEnded(kLimitSeconds * 1000));
    }

    TempTree remote, local;
    QueueHarness h;
    FtpServer server;
    SiteHandle site;
    int sessionsBefore;
};

TEST_P(QueueLoad, TwentyTransfersEachWayRunAtOnceOnConnectionsOfTheirOwn)
{
    const auto downNames = writeFiles(remote, "down", "d", variedSizes(20));
    const auto upNames = writeFiles(local, "up", "u", variedSizes(20));
    local.mkdir("down");
    FakeWindow& window = h.window(site);

    for (const auto& [names, isUpload] : {std::pair{downNames, false}, std::pair{upNames, true}}) {
        SCOPED_TRACE(isUpload ? "uploads" : "downloads");
        const int loginsBefore = server.loginCount();
        std::vector<QueueItemHandle> items;
        for (const std::string& name : names)
            items.push_back(isUpload ? queueUpload(name) : queueDownload(name));
        ASSERT_TRUE(h.queue->canTransferSelected(items));
        h.queue->transferSelected(items);
        for (const auto& item : items)
            EXPECT_TRUE(item->running());
        ASSERT_TRUE(h.runUntil([&] { return allFinished(items); }, kLimitSeconds));
        expectAllComplete(items);
        EXPECT_EQ(server.loginCount() - loginsBefore, 20);
    }
    EXPECT_TRUE(sameFolder(local, remote, "down"));
    EXPECT_TRUE(sameFolder(remote, local, "up"));
    EXPECT_EQ(window.handedOver, 0);
    expectNoSessionLeft();
}

TEST_P(QueueLoad, TwoHundredQueuedItemsRunOneAfterAnotherOnOneConnection)
{
    const auto downNames = writeFiles(remote, "down", "d", smallSizes(100));
    const auto upNames = writeFiles(local, "up", "u", smallSizes(100));
    local.mkdir("down");
    FakeWindow& window = h.window(site);
    window.ensureSession()->List("/", "");
    ASSERT_TRUE(h.runUntil([&] { return window.outcomes.size() == 1; }, kLimitSeconds));

    // Downloads and uploads in turn: the chain changes direction at every hand-over.
    std::vector<QueueItemHandle> items;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < downNames.size(); ++i) {
        items.push_back(queueDownload(downNames[i]));
        items.push_back(queueUpload(upNames[i]));
        expected.push_back("RETR " + downNames[i]);
        expected.push_back("STOR " + upNames[i]);
    }
    h.queue->transferQueued();
    EXPECT_EQ(window.handedOver, 1);
    EXPECT_EQ(std::count_if(items.begin(), items.end(), [](const QueueItemHandle& i) { return i->running(); }), 1);
    ASSERT_TRUE(h.runUntil([&] { return allFinished(items); }, kLimitSeconds));

    expectAllComplete(items);
    EXPECT_TRUE(sameFolder(local, remote, "down"));
    EXPECT_TRUE(sameFolder(remote, local, "up"));
    EXPECT_EQ(server.loginCount(), 1);
    EXPECT_EQ(transfersOfContent(server.commandLog(), remote), transfersOfContent(expected, remote));
    // The window has its connection back, and it works.
    ASSERT_TRUE(h.runUntil([&] { return window.outcomes.size() == 2; }, kLimitSeconds));
    EXPECT_EQ(window.adopted, 1);
    EXPECT_EQ(window.outcomes[1], NoticeDone);
    expectNoSessionLeft();
}

INSTANTIATE_TEST_SUITE_P(QueueLoad, QueueLoad, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<ServerKind>& info) { return test::kindName(info.param); });

} // namespace
} // namespace varnix
