// The queue carrying out transfers on real sessions against real servers.

#include "QueueHarness.h"

#include "support/HasLine.h"
#include "support/TempTree.h"

#include "support/SameBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnix {
namespace {

using test::FakeWindow;
using test::FtpServer;
using test::QueueHarness;
using test::ServerKind;
using test::ServerOptions;
using test::TempTree;

using test::sameBytes;

using test::hasLine;

std::vector<std::string> startingWith(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> out;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(out),
                 [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    return out;
}

bool allFinished(const std::vector<QueueItemHandle>& items)
{
    return std::none_of(items.begin(), items.end(), [](const QueueItemHandle& i) { return i->running(); });
}

void setRetries(const SiteHandle& site, std::uint32_t count, std::uint32_t delay)
{
    LockedAccess<SiteContext>(site)->settings().setRetryCount(count);
    LockedAccess<SiteContext>(site)->settings().setRetryDelay(delay);
}

class QueueOnServer : public ::testing::Test {
protected:
    QueueItemHandle queuedDownload(const SiteHandle& site, const std::string& name)
    {
        auto item = newDownload(site, "/", name, local.path(name).string(), false);
        item->queued = true;
        h.queue->add(item);
        return item;
    }

    void expectCompleted(const QueueItemHandle& item)
    {
        EXPECT_EQ(h.rows.status(item), "Complete") << item->failure;
        EXPECT_FALSE(item->running());
        EXPECT_FALSE(item->queued);
    }

    TempTree tree, local;
    QueueHarness h;
};

TEST_F(QueueOnServer, FiveQueuedItemsRunOneAfterAnotherOnTheWindowsConnection)
{
    for (int i = 0; i < 5; ++i)
        tree.writeSized("f" + std::to_string(i) + ".bin", 150000 + i, i + 1);
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    SiteHandle site = h.site(server);
    FakeWindow& window = h.window(site);
    window.ensureSession()->List("/", "");
    ASSERT_TRUE(h.runUntil([&] { return window.outcomes.size() == 1; }));

    std::vector<QueueItemHandle> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(queuedDownload(site, "f" + std::to_string(i) + ".bin"));
    h.queue->transferQueued();
    EXPECT_EQ(window.handedOver, 1);
    EXPECT_EQ(h.rows.status(items[0]), "Pending");
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(h.rows.status(items[i]), "Queued");
        EXPECT_FALSE(items[i]->running());
    }
    ASSERT_TRUE(h.runUntil([&] { return allFinished(items); }));

    for (int i = 0; i < 5; ++i) {
        std::string name = "f" + std::to_string(i) + ".bin";
        expectCompleted(items[i]);
        EXPECT_TRUE(hasLine(h.rows.statuses(items[i]), "Pending")) << i;
        EXPECT_TRUE(sameBytes(local.read(name), tree.read(name)));
    }
    EXPECT_EQ(h.rows.row(items[4]).texts.size, "150004/150004");
    EXPECT_EQ(h.rows.row(items[4]).texts.time, "0");
    EXPECT_EQ(server.loginCount(), 1);
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i)
        expected.push_back("RETR f" + std::to_string(i) + ".bin");
    EXPECT_EQ(startingWith(server.commandLog(), "RETR"), expected);
    // The window has its connection back, and it works.
    ASSERT_TRUE(h.runUntil([&] { return window.outcomes.size() == 2; }));
    EXPECT_EQ(window.adopted, 1);
    EXPECT_EQ(window.outcomes[1], NoticeDone);
}

TEST_F(QueueOnServer, QueuedItemsForTwoSitesStartAtOnce)
{
    tree.writeSized("one.bin", 100000, 1);
    TempTree otherTree;
    otherTree.writeSized("two.bin", 100000, 2);
    FtpServer first(ServerKind::Pyftpdlib, tree.root());
    FtpServer second(ServerKind::Vsftpd, otherTree.root());
    auto one = queuedDownload(h.site(first), "one.bin");
    auto two = newDownload(h.site(second), second.remotePath(), "two.bin", local.path("two.bin").string(), false);
    two->queued = true;
    h.queue->add(two);
    h.queue->transferQueued();
    EXPECT_TRUE(one->running());
    EXPECT_TRUE(two->running());
    EXPECT_EQ(h.rows.status(two), "Pending");
    ASSERT_TRUE(h.runUntil([&] { return allFinished({one, two}); }));
    expectCompleted(one);
    expectCompleted(two);
    EXPECT_TRUE(sameBytes(local.read("two.bin"), otherTree.read("two.bin")));
}

TEST_F(QueueOnServer, TransferSelectedRunsEachItemOnAConnectionOfItsOwn)
{
    for (const char* name : {"a", "b", "c", "d"})
        tree.writeSized(name, 50000);
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    SiteHandle site = h.site(server);
    FakeWindow& window = h.window(site);
    std::vector<QueueItemHandle> selected{queuedDownload(site, "a"), queuedDownload(site, "b"),
                                          queuedDownload(site, "c")};
    auto left = queuedDownload(site, "d");
    ASSERT_TRUE(h.queue->canTransferSelected(selected));
    h.queue->transferSelected(selected);
    for (const auto& item : selected) {
        EXPECT_TRUE(item->running());
        EXPECT_FALSE(item->queued);
        EXPECT_EQ(h.rows.status(item), "Queued");   // until the first notice
    }
    EXPECT_FALSE(left->running());
    ASSERT_TRUE(h.runUntil([&] { return allFinished(selected); }));
    for (const auto& item : selected)
        expectCompleted(item);
    EXPECT_EQ(server.loginCount(), 3);
    EXPECT_EQ(window.handedOver, 0);
    EXPECT_EQ(h.rows.status(left), "Queued");
}

TEST_F(QueueOnServer, ClearingARunningQueuedItemHandsItsSessionToTheNext)
{
    tree.writeSized("big.bin", 1 << 20);
    tree.writeSized("small.bin", 10000, 3);
    ServerOptions options;
    options.stallDataAfter = 64 * 1024;   // big.bin stops moving; small.bin never gets there
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    FakeWindow& window = h.window(site);
    auto big = queuedDownload(site, "big.bin");
    auto small = queuedDownload(site, "small.bin");
    h.queue->transferQueued();
    ASSERT_TRUE(h.runUntil([&] { return h.rows.status(big) == "Downloading"; }));
    h.queue->clearSelected({big});
    EXPECT_TRUE(h.rows.row(big).removed);
    EXPECT_EQ(h.rows.status(small), "Pending");
    ASSERT_TRUE(h.runUntilFinished(small));
    expectCompleted(small);
    EXPECT_FALSE(hasLine(h.rows.statuses(small), "Canceled"));
    EXPECT_TRUE(sameBytes(local.read("small.bin"), tree.read("small.bin")));
    EXPECT_EQ(server.loginCount(), 1);
    auto log = server.commandLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.ends_with("ABOR"); }));
    ASSERT_TRUE(h.runUntil([&] { return window.outcomes.size() == 1; }));
    EXPECT_EQ(window.outcomes[0], NoticeDone);
}

// A cut upload fails on the data connection, which is worth retrying.
TEST_F(QueueOnServer, CutUploadIsRetriedAndResumedToTheByte)
{
    local.writeSized("up.bin", 8 << 20, 5);
    ServerOptions options;
    options.dropDataAfter = 300000;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    setRetries(site, 2, 1);
    auto item = newUpload(site, "/", local.path("up.bin").string(), "up.bin", false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item, 60));
    expectCompleted(item);
    EXPECT_EQ(h.rows.count(item, "Retry"), 1u);
    EXPECT_EQ(item->retryCount, 1u);
    EXPECT_TRUE(item->resume);
    EXPECT_TRUE(hasLine(server.commandLog(), "APPE up.bin"));
    EXPECT_TRUE(sameBytes(tree.read("up.bin"), local.read("up.bin")));
    EXPECT_EQ(server.loginCount(), 1);
}

// The server cuts the data and says "426": a transient refusal, retried.
TEST_F(QueueOnServer, CutDownloadIsRetriedAndResumedToTheByte)
{
    tree.writeSized("down.bin", 8 << 20, 6);
    ServerOptions options;
    options.dropDataAfter = 300000;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    setRetries(site, 2, 1);
    auto item = newDownload(site, "/", "down.bin", local.path("down.bin").string(), false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item, 60));
    expectCompleted(item);
    EXPECT_EQ(h.rows.count(item, "Retry"), 1u);
    // While it waits to retry, the row shows what arrived, not a whole file.
    EXPECT_EQ(h.rows.row(item).sizeAtRetry, "300000/8388608");
    EXPECT_TRUE(hasLine(server.commandLog(), "REST 300000"));
    EXPECT_TRUE(sameBytes(local.read("down.bin"), tree.read("down.bin")));
}

// The control connection is lost in the middle of a file in a subfolder.
// The retry logs in afresh, where the server starts in its login folder.
struct LostControl {
    bool upload;
    bool reset; // a reset rather than an orderly close
};

class QueueAfterLostControl : public QueueOnServer, public ::testing::WithParamInterface<LostControl> {
protected:
    // What the client sent on its second login, from USER on.
    static std::vector<std::string> secondLogin(const std::vector<std::string>& log)
    {
        std::vector<std::size_t> logins;
        for (std::size_t i = 0; i < log.size(); ++i)
            if (log[i].rfind("USER ", 0) == 0)
                logins.push_back(i);
        EXPECT_EQ(logins.size(), 2u);
        if (logins.size() < 2)
            return {};
        return std::vector<std::string>(log.begin() + std::ptrdiff_t(logins[1]), log.end());
    }
};

TEST_P(QueueAfterLostControl, RetryResumesTheFileInItsOwnFolder)
{
    const LostControl lost = GetParam();
    ServerOptions options;
    options.dropControlAfter = 300000;
    options.resetControl = lost.reset;
    tree.mkdir("pub");
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    setRetries(site, 2, 1);
    QueueItemHandle item;
    if (lost.upload) {
        local.writeSized("f.bin", 1 << 20, 3);
        item = newUpload(site, "/pub", local.path("f.bin").string(), "f.bin", false);
    } else {
        tree.writeSized("pub/f.bin", 1 << 20, 3);
        item = newDownload(site, "/pub", "f.bin", local.path("f.bin").string(), false);
    }
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item, 60));
    expectCompleted(item);
    EXPECT_EQ(h.rows.count(item, "Retry"), 1u);
    EXPECT_TRUE(sameBytes(tree.read("pub/f.bin"), local.read("f.bin")));
    EXPECT_FALSE(tree.exists("f.bin")) << "the login folder got a copy";

    auto again = secondLogin(server.commandLog());
    EXPECT_TRUE(hasLine(again, "CWD /pub"));
    if (lost.upload) {
        EXPECT_TRUE(hasLine(again, "APPE f.bin"));
        EXPECT_FALSE(hasLine(again, "STOR f.bin")) << "the retry started over";
    } else {
        auto rest = startingWith(again, "REST ");
        ASSERT_FALSE(rest.empty()) << "the retry started over";
        EXPECT_NE(rest.front(), "REST 0");
    }
}

INSTANTIATE_TEST_SUITE_P(Drops, QueueAfterLostControl,
                         ::testing::Values(LostControl{false, false}, LostControl{false, true},
                                           LostControl{true, false}, LostControl{true, true}),
                         [](const ::testing::TestParamInfo<LostControl>& info) {
                             return std::string(info.param.upload ? "Upload" : "Download")
                                 + (info.param.reset ? "Reset" : "Closed");
                         });

TEST_F(QueueOnServer, UploadCutEveryTimeFailsAfterTheRetriesAllowed)
{
    local.writeSized("up.bin", 8 << 20, 5);
    ServerOptions options;
    options.dropDataAfter = 200000;
    options.dropDataAlways = true;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    setRetries(site, 2, 1);
    auto item = newUpload(site, "/", local.path("up.bin").string(), "up.bin", false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item, 60));
    EXPECT_EQ(h.rows.status(item), "Failed");
    EXPECT_EQ(h.rows.count(item, "Retry"), 2u);
    EXPECT_EQ(item->retryCount, 2u);
    EXPECT_EQ(item->failure.rfind("Uploading file up.bin from ", 0), 0u) << item->failure;
    EXPECT_EQ(startingWith(server.commandLog(), "APPE").size(), 2u);
}

TEST_F(QueueOnServer, FailureNotWorthRetryingFailsAtOnce)
{
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    SiteHandle site = h.site(server);
    setRetries(site, 2, 1);
    auto item = newDownload(site, "/", "missing.bin", local.path("missing.bin").string(), false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item));
    EXPECT_EQ(h.rows.status(item), "Failed");
    EXPECT_EQ(h.rows.count(item, "Retry"), 0u);
    EXPECT_NE(item->failure.find(" failed: 550"), std::string::npos) << item->failure;
    EXPECT_EQ(h.rows.row(item).texts.failure, item->failure);
    EXPECT_FALSE(std::filesystem::exists(local.path("missing.bin")));
}

// Local failures that waiting cannot mend fail at once with their text; a
// full disk may pass, and is retried.
TEST_F(QueueOnServer, LocalFailuresAreRetriedOnlyWhenWaitingMayHelp)
{
    tree.writeSized("down.bin", 300000, 2);
    local.write("plain.txt", "a file, not a folder");
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    SiteHandle site = h.site(server);
    setRetries(site, 1, 1);
    struct Case {
        bool upload;
        std::string path;
        const char* reason;
        std::size_t retries;
    };
    const Case cases[] = {
        {true, local.path("missing.bin").string(), "No such file or directory", 0},
        {true, local.root().string(), "Is a directory", 0},
        {false, local.path("no/such/down.bin").string(), "No such file or directory", 0},
        {false, local.path("plain.txt/down.bin").string(), "Not a directory", 0},
        {false, local.path(std::string(300, 'n')).string(), "File name too long", 0},
        {false, "/dev/full", "No space left on device", 1},
    };
    for (const Case& c : cases) {
        auto item = c.upload ? newUpload(site, "/", c.path, "up.bin", false)
                             : newDownload(site, "/", "down.bin", c.path, false);
        h.queue->add(item);
        h.queue->start(item, nullptr, nullptr);
        ASSERT_TRUE(h.runUntilFinished(item)) << c.path;
        EXPECT_EQ(h.rows.status(item), "Failed") << c.path;
        EXPECT_EQ(h.rows.count(item, "Retry"), c.retries) << c.path;
        EXPECT_NE(item->failure.find(c.path + ": " + c.reason), std::string::npos) << item->failure;
    }
}

TEST_F(QueueOnServer, CancelDuringTheRetryCountdownEndsTheItem)
{
    local.writeSized("up.bin", 8 << 20, 5);
    ServerOptions options;
    options.dropDataAfter = 200000;
    options.dropDataAlways = true;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server);
    setRetries(site, 5, 600);
    auto item = newUpload(site, "/", local.path("up.bin").string(), "up.bin", false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntil([&] { return h.rows.status(item) == "Retry"; }));
    h.queue->cancelSelected({item});
    EXPECT_EQ(h.rows.status(item), "Canceled");
    EXPECT_FALSE(item->running());
}

TEST_F(QueueOnServer, RefusedLoginAsksAndRetriesAtOnceWithTheNewPassword)
{
    tree.writeSized("secret.bin", 20000, 4);
    ServerOptions options;
    options.anonymous = false;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    SiteHandle site = h.site(server, "tester", "wrong");
    setRetries(site, 1, 600);
    h.prompt.user = "tester";
    h.prompt.password = "secret";
    auto item = newDownload(site, "/", "secret.bin", local.path("secret.bin").string(), false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item));
    expectCompleted(item);
    ASSERT_EQ(h.prompt.asked.size(), 1u);
    EXPECT_NE(h.prompt.asked[0].message.find("failed: 530"), std::string::npos) << h.prompt.asked[0].message;
    EXPECT_TRUE(hasLine(h.rows.statuses(item), "Retry"));
    EXPECT_TRUE(sameBytes(local.read("secret.bin"), tree.read("secret.bin")));
    EXPECT_EQ(LockedAccess<SiteContext>(site)->loginCopy().password, "secret");
}

class SiteToSiteQueue : public QueueOnServer {
protected:
    SiteToSiteQueue()
        : source(ServerKind::Pyftpdlib, sourceTree.root()), destination(ServerKind::Pyftpdlib, tree.root()),
          sourceSite(h.site(source)), destinationSite(h.site(destination)),
          sourceWindow(h.window(sourceSite)), destinationWindow(h.window(destinationSite))
    {
    }

    // Both windows take their sessions back and list their folders unharmed.
    void expectSessionsReturnedIntact()
    {
        ASSERT_TRUE(h.runUntil(
            [&] { return sourceWindow.outcomes.size() == 1 && destinationWindow.outcomes.size() == 1; }));
        EXPECT_EQ(sourceWindow.outcomes[0], NoticeDone);
        EXPECT_EQ(destinationWindow.outcomes[0], NoticeDone);
    }

    TempTree sourceTree;
    FtpServer source, destination;
    SiteHandle sourceSite, destinationSite;
    FakeWindow& sourceWindow;
    FakeWindow& destinationWindow;
};

TEST_F(SiteToSiteQueue, CopiesAFile)
{
    sourceTree.writeSized("file.bin", 400000, 7);
    auto item = newSiteCopy(destinationSite, "/", "copy.bin", sourceSite, "/", "file.bin", false);
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item));
    expectCompleted(item);
    EXPECT_TRUE(item->doneA && item->doneB);
    EXPECT_TRUE(sameBytes(tree.read("copy.bin"), sourceTree.read("file.bin")));
    expectSessionsReturnedIntact();
}

// The row counts from the start of the file, the offset once.
TEST_F(SiteToSiteQueue, ResumedCopyShowsTheFileItsSize)
{
    sourceTree.writeSized("file.bin", 3145735, 7);
    tree.write("copy.bin", TempTree::sizedContent(1234567, 7));
    auto item = newSiteCopy(destinationSite, "/", "copy.bin", sourceSite, "/", "file.bin", false);
    item->resume = true;
    h.queue->add(item);
    h.queue->start(item, nullptr, nullptr);
    ASSERT_TRUE(h.runUntilFinished(item));
    expectCompleted(item);
    EXPECT_EQ(h.rows.row(item).texts.size, "3145735/3145735");
    EXPECT_TRUE(hasLine(source.commandLog(), "REST 1234567"));
    EXPECT_TRUE(sameBytes(tree.read("copy.bin"), sourceTree.read("file.bin")));
}

TEST_F(SiteToSiteQueue, CopiesAFolderTreeOnceBothSidesAreDone)
{
    sourceTree.writeSized("tree/a.bin", 70000, 1);
    sourceTree.writeSized("tree/b.txt", 12, 2);
    sourceTree.writeSized("tree/sub/c.bin", 150000, 3);
    sourceTree.writeSized("tree/sub/d.bin", 1, 4);
    auto item = newSiteCopy(destinationSite, "/", "tree", sourceSite, "/", "tree", true);
    item->queued = true;
    h.queue->add(item);
    h.queue->transferQueued();
    ASSERT_TRUE(h.runUntilFinished(item));
    expectCompleted(item);
    EXPECT_TRUE(hasLine(h.rows.statuses(item), "Transfering"));
    for (const char* rel : {"tree/a.bin", "tree/b.txt", "tree/sub/c.bin", "tree/sub/d.bin"})
        EXPECT_TRUE(sameBytes(tree.read(rel), sourceTree.read(rel))) << rel;
    // The folder's bytes, not its last file's, as a folder download shows.
    EXPECT_EQ(h.rows.row(item).texts.size, "220013/220013");
    expectSessionsReturnedIntact();
}

// A copy the server's hash disowns is copied again from its first byte: no
// REST, no APPE. The second hash answer is right, and the row says so.
TEST_F(QueueOnServer, FailedVerificationRestartsTheCopyFromTheStart)
{
    tree.writeSized("down.bin", 700000, 3);
    local.writeSized("up.bin", 700000, 4);
    ServerOptions options;
    options.hashes = "SHA-256,MD5";
    options.hashMismatches = 1;
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
        SiteHandle site = h.site(server);
        setRetries(site, 2, 0);
        auto item = upload ? newUpload(site, "/", local.path("up.bin").string(), "up.bin", false)
                           : newDownload(site, "/", "down.bin", local.path("down.bin").string(), false);
        h.queue->add(item);
        h.queue->start(item, nullptr, nullptr);
        ASSERT_TRUE(h.runUntilFinished(item, 60));
        EXPECT_EQ(h.rows.status(item), "Verified") << item->failure;
        EXPECT_EQ(h.rows.count(item, "Retry"), 1u);
        const std::string name = upload ? "up.bin" : "down.bin";
        EXPECT_TRUE(item->failure.ends_with(" failed: Verification failed: the server's SHA-256 of " + name +
                                            " differs from the local copy")) << item->failure;
        EXPECT_EQ(item->verification, "Verified SHA-256 of " + name);
        auto log = server.commandLog();
        EXPECT_EQ(startingWith(log, upload ? "STOR " : "RETR ").size(), 2u);
        EXPECT_TRUE(startingWith(log, "APPE ").empty());
        EXPECT_TRUE(startingWith(log, "REST ").empty());
        EXPECT_EQ(startingWith(log, "HASH " + name).size(), 2u);
        EXPECT_TRUE(sameBytes(tree.read(name), local.read(name)));
    }
}

} // namespace
} // namespace varnix
