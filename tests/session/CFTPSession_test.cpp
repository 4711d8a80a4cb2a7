#include "session/CFTPSession.h"

#include "session/SessionTasks.h"
#include "session/SiteTasks.h"
#include "support/HasLine.h"
#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::TempTree;

std::vector<std::string> statusesOf(const std::vector<SessionNotice>& notices, CFTPSession* from)
{
    std::vector<std::string> out;
    for (const auto& n : notices)
        if (n.sender == from && n.kind == NoticeStatus)
            out.push_back(n.text);
    return out;
}

using test::hasLine;

// A loopback port on which nothing listens.
std::uint16_t closedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

TEST(SessionTasks, DescriptionsReadAsTheStatusBarShowsThem)
{
    EXPECT_EQ(ListTask("/pub", "").describe(), "Listing contents of /pub");
    EXPECT_EQ(ListTask("/pub", "sub").describe(), "Listing contents of sub");
    EXPECT_EQ(ListTask("", "").describe(), "Listing contents");
    EXPECT_EQ(MakeFolderTask("/", "n").describe(), "Creating directory n");
    EXPECT_EQ(RemoveFolderTask("/", "n").describe(), "Removing directory n");
    EXPECT_EQ(DeleteFileTask("/", "f").describe(), "Removing file f");
    EXPECT_EQ(RenameTask("/", "b", "a").describe(), "Renaming file from a to b");
    EXPECT_EQ(UploadFileTask("/", "r", "/l", false).describe(), "Uploading file r from /l");
    EXPECT_EQ(DownloadFileTask("/", "/l", "r", false).describe(), "Downloading file r to /l");
    EXPECT_EQ(UploadFolderTask("/", "r", "/l", false, false).describe(), "Uploading folder r from /l");
    EXPECT_EQ(DownloadFolderTask("/", "/l", "r", false, false).describe(), "Downloading folder r to /l");
    EXPECT_EQ(ChownTask("/", "f", "u", "g").describe(), "Changing users of f to u:g");
    EXPECT_EQ(ChmodTask("/", "f", 0755).describe(), "Changing attributes of f to 0755");
    EXPECT_EQ(ChmodTask("/", "f", 04711).describe(), "Changing attributes of f to 04711");
    EXPECT_EQ(SleepTask(1).describe(), "Sleeping for 1 seconds");
    EXPECT_EQ(QuitTask().describe(), "Quitting FTP session");
    EXPECT_EQ(SiteUploadFileTask("/", "/", nullptr, "t", "s", false).describe(), "Site to site uploading file t");
    EXPECT_EQ(SiteDownloadFileTask("/", "1.2.3.4", 1, "s", 0).describe(), "Site to site downloading file s");
    EXPECT_EQ(SiteDownloadFolderTask(nullptr, nullptr, "/", "/", "t", "s", false, false).describe(),
              "Site to Site downloading folder s");
    EXPECT_EQ(SiteUploadFolderTask(nullptr, {}, false, false).describe(), "Site to Site uploading folder");
}

class SessionTest : public ::testing::TestWithParam<ServerKind> {
protected:
    SessionTest() : server(GetParam(), tree.root()) {}
    TempTree tree;
    TempTree local;
    FtpServer server;
    test::SessionHarness harness;
};

TEST_P(SessionTest, RunsTasksInPostingOrderWithStatusBeforeAndDoneAfter)
{
    tree.write("a.txt", "hello");
    CFTPSession* s = harness.session(harness.site(server));
    std::string root = server.remotePath();
    s->List(root, "");
    s->MkDir(root, "made");
    s->DownloadFile(root, local.path("a.txt").string(), "a.txt", false);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(harness.outcome(s, i).kind, NoticeDone) << i;
    auto statuses = statusesOf(harness.target.notices(), s);
    auto at = [&](const std::string& text) { return std::find(statuses.begin(), statuses.end(), text) - statuses.begin(); };
    EXPECT_LT(at("Listing contents of " + root), at("Creating directory made"));
    EXPECT_LT(at("Creating directory made"), at("Downloading file a.txt to " + local.path("a.txt").string()));
    EXPECT_EQ(local.read("a.txt"), "hello");
    EXPECT_TRUE(std::filesystem::is_directory(tree.path("made")));
    EXPECT_EQ(server.loginCount(), 1);
}

TEST_P(SessionTest, FailureNamesTheTaskAndTheSessionStaysUsable)
{
    CFTPSession* s = harness.session(harness.site(server));
    std::string root = server.remotePath();
    s->Delete(root, "missing.txt");
    s->List(root, "");
    SessionNotice failed = harness.outcome(s, 0);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.text.rfind("Removing file missing.txt failed: 550", 0), 0u) << failed.text;
    EXPECT_EQ(failed.recovery, RecoveryNone);
    EXPECT_EQ(harness.outcome(s, 1).kind, NoticeDone);
}

INSTANTIATE_TEST_SUITE_P(Servers, SessionTest, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const auto& info) { return test::kindName(info.param); });

TEST(Session, CancelDuringAStalledDownloadAbortsAndTheNextTaskRuns)
{
    TempTree tree, local;
    tree.writeSized("big.bin", 1 << 20);
    test::ServerOptions options;
    options.stallDataAfter = 64 * 1024;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    test::SessionHarness harness;
    CFTPSession* s = harness.session(harness.site(server));
    s->DownloadFile("/", local.path("big.bin").string(), "big.bin", false);
    s->List("/", "");   // dropped by Cancel
    ASSERT_TRUE(harness.target.waitFor([&](const SessionNotice& n) {
        return n.sender == s && n.kind == NoticeProgress && n.moved > 0;
    }));
    s->Cancel();
    EXPECT_EQ(harness.outcome(s, 0).kind, NoticeAborted);
    s->List("/", "");
    EXPECT_EQ(harness.outcome(s, 1).kind, NoticeDone);
    EXPECT_EQ(harness.target.count(NoticeDone), 1u);
    auto statuses = statusesOf(harness.target.notices(), s);
    EXPECT_TRUE(hasLine(statuses, "Done")) << "the abort was not brought to an end";
    EXPECT_TRUE(local.exists("big.bin"));
}

TEST(Session, RefusedLoginAsksForNewCredentials)
{
    TempTree tree;
    test::ServerOptions options;
    options.anonymous = false;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    test::SessionHarness harness;
    CFTPSession* s = harness.session(harness.site(server, "tester", "wrong"));
    s->List("", "");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryLogin);
    EXPECT_EQ(failed.text.rfind("Listing contents failed: 530", 0), 0u) << failed.text;
}

TEST(Session, UnreachableServerIsWorthRetrying)
{
    test::SessionHarness harness;
    CFTPSession* s = harness.session(harness.site("127.0.0.1", closedPort()));
    s->List("", "");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry);
    EXPECT_NE(failed.text.find("Connection refused"), std::string::npos) << failed.text;
}

TEST(Session, SleepCountsDownWithoutDone)
{
    test::SessionHarness harness;
    CFTPSession* s = harness.session(harness.site("127.0.0.1", closedPort()));
    s->Sleep(0);
    s->Sleep(2);
    s->List("", "");   // runs after the countdown and fails: nothing listens
    harness.outcome(s);
    auto statuses = statusesOf(harness.target.notices(), s);
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[0], "Sleeping for 2 seconds");
    EXPECT_EQ(statuses[1], "Sleeping for 1 seconds");
    EXPECT_EQ(statuses[2], "Listing contents");
    EXPECT_EQ(harness.target.count(NoticeDone), 0u);
}

TEST(Session, KeepAliveSendsHarmlessCommandsWhileIdle)
{
    TempTree tree;
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    test::SessionHarness harness;
    SiteHandle site = harness.site(server);
    {
        LockedAccess<SiteContext> access(site);
        access->settings().setKeepAliveDelay(1);
        access->settings().setKeepAliveIntervalBegin(1);
        access->settings().setKeepAliveIntervalEnd(0);   // below the minimum: a fixed interval
    }
    CFTPSession* s = harness.session(site);
    s->List("/", "");
    harness.outcome(s);
    auto isProbe = [](const std::string& c) { return c == "PWD" || c == "REST 0" || c == "TYPE I"; };
    auto probes = [&] {
        auto log = server.commandLog();
        auto list = std::find(log.begin(), log.end(), "MLSD"); // pyftpdlib offers MLST
        return std::count_if(list, log.end(), isProbe);
    };
    for (int i = 0; i < 100 && probes() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GE(probes(), 2);
}

TEST(Session, ReleaseEndsAnIdleConnectedSessionAndANeverStartedOne)
{
    TempTree tree;
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    test::SessionHarness harness;
    SiteHandle site = harness.site(server);
    CFTPSession* s = CFTPSession::create(site);
    s->setTarget(harness.target.handle());
    s->start();
    s->List("/", "");
    harness.outcome(s);
    s->release();
    CFTPSession::create(site)->release();
    EXPECT_TRUE(CFTPSession::waitForAllEnded(20000));
    EXPECT_EQ(site.useCount(), 1);
}

TEST(Session, IsBusyWhileTasksWaitOrRun)
{
    test::SessionHarness harness;
    CFTPSession* s = harness.session(harness.site("127.0.0.1", closedPort()));
    s->Sleep(1);
    EXPECT_TRUE(s->isBusy());
    s->List("", "");
    harness.outcome(s);
    for (int i = 0; i < 100 && s->isBusy(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(s->isBusy());
}

} // namespace
} // namespace varnix
