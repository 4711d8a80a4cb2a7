// Servers that break, stall, babble or refuse: every case ends in one clear
// failure notice, never a crash or a hang, and the session serves the next
// task. Nothing the user had is lost on the way.

#include "session/CFTPSession.h"

#include "support/ScriptedServer.h"
#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace varnix {
namespace {

using test::FtpServer;
using test::ScriptedServer;
using test::ServerKind;
using test::ServerOptions;
using test::TempTree;

class FaultTest : public ::testing::Test {
protected:
    // A pyftpdlib server with the given misbehaviour and a session on it.
    CFTPSession* misbehaving(ServerOptions options)
    {
        server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, tree.root(), options);
        site = harness.site(*server);
        return harness.session(site);
    }

    std::size_t failures() const { return harness.target.count(NoticeFailed); }

    TempTree tree, local;
    test::SessionHarness harness;
    std::unique_ptr<FtpServer> server;
    SiteHandle site;
};

TEST_F(FaultTest, ControlDropDuringADownloadIsRetryableAndKeepsThePartialFile)
{
    tree.writeSized("f.bin", 100000);
    ServerOptions options;
    options.closeControlOn = "RETR";
    CFTPSession* s = misbehaving(options);
    s->DownloadFile("/", local.path("f.bin").string(), "f.bin", false);
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry) << failed.text;
    s->List("/", "");
    EXPECT_EQ(harness.outcome(s, 1).kind, NoticeDone);
    EXPECT_EQ(server->loginCount(), 2) << "the next task logs in again";
    EXPECT_EQ(failures(), 1u);
}

TEST_F(FaultTest, ControlDropDuringAListingIsRetryable)
{
    ServerOptions options;
    options.closeControlOn = "MLSD"; // pyftpdlib lists by MLSD
    CFTPSession* s = misbehaving(options);
    s->List("/", "");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry) << failed.text;
    s->MkDir("/", "after");
    // The folder is made even though its refresh (a listing) fails again.
    harness.outcome(s, 1);
    EXPECT_TRUE(std::filesystem::is_directory(tree.path("after")));
}

TEST_F(FaultTest, StalledDataConnectionTimesOutAndResumeCompletesTheFile)
{
    tree.writeSized("f.bin", 300000, 9);
    ServerOptions options;
    options.stallDataAfter = 100000;
    CFTPSession* s = misbehaving(options);
    LockedAccess<SiteContext>(site)->settings().setRecvTimeout(1);
    s->DownloadFile("/", local.path("f.bin").string(), "f.bin", false);
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry);
    EXPECT_NE(failed.text.find("timed out"), std::string::npos) << failed.text;
    std::uintmax_t kept = std::filesystem::file_size(local.path("f.bin"));
    EXPECT_GT(kept, 0u) << "the bytes that arrived are kept";
    EXPECT_LE(kept, 300000u);
}

TEST_F(FaultTest, CutDownloadIsResumedToTheByte)
{
    tree.writeSized("f.bin", 500000, 4);
    ServerOptions options;
    options.dropDataAfter = 200000;
    CFTPSession* s = misbehaving(options);
    s->DownloadFile("/", local.path("f.bin").string(), "f.bin", false);
    EXPECT_EQ(harness.outcome(s).kind, NoticeFailed);
    s->DownloadFile("/", local.path("f.bin").string(), "f.bin", true);
    SessionNotice done = harness.outcome(s, 1);
    EXPECT_EQ(done.kind, NoticeDone) << done.text;
    EXPECT_EQ(local.read("f.bin"), tree.read("f.bin"));
}

TEST_F(FaultTest, FailedUploadNeverTouchesTheLocalFile)
{
    ServerOptions options;
    options.dropDataAfter = 50000;
    CFTPSession* s = misbehaving(options);
    auto path = local.writeSized("up.bin", 200000, 2);
    local.setMtime("up.bin", 1234567890);
    std::string before = local.read("up.bin");
    s->UploadFile("/", "up.bin", path.string(), false);
    harness.outcome(s);
    EXPECT_EQ(local.read("up.bin"), before);
    EXPECT_EQ(std::filesystem::last_write_time(path),
              std::filesystem::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(1234567890)));
}

TEST_F(FaultTest, ServerThatRefusesEverythingFailsEachTaskOnce)
{
    ServerOptions options;
    options.refuseAll = true;
    CFTPSession* s = misbehaving(options);
    s->List("/", "");
    s->MkDir("/", "x");
    SessionNotice first = harness.outcome(s, 0), second = harness.outcome(s, 1);
    EXPECT_EQ(first.kind, NoticeFailed);
    EXPECT_EQ(second.kind, NoticeFailed);
    EXPECT_EQ(failures(), 2u);
}

TEST_F(FaultTest, FolderWalkThatFailsPartWayKeepsWhatItCopied)
{
    tree.writeSized("tree/a.bin", 1000, 1);
    tree.writeSized("tree/b.bin", 300000, 2);
    ServerOptions options;
    options.closeControlOn = "RETR";
    CFTPSession* s = misbehaving(options);
    s->DownloadFolder("/", local.path("tree").string(), "tree", false, false);
    EXPECT_EQ(harness.outcome(s).kind, NoticeFailed);
    EXPECT_TRUE(std::filesystem::is_directory(local.path("tree")));
}

// Scripted misbehaviour: what no real server does on purpose.
class ScriptedFaultTest : public ::testing::Test {
protected:
    CFTPSession* sessionOn(ScriptedServer& scripted)
    {
        scripted.start();
        SiteHandle site = harness.site(scripted.host(), scripted.port());
        LockedAccess<SiteContext>(site)->settings().setRecvTimeout(2);
        LockedAccess<SiteContext>(site)->settings().setEncryption(0); // the script speaks plain FTP
        return harness.session(site);
    }
    void login(ScriptedServer& scripted)
    {
        scripted.greet("220 hello").reply("331 pass").reply("230 in").reply("200 binary").reply("500 FEAT?");
    }
    test::SessionHarness harness;
};

TEST_F(ScriptedFaultTest, GarbageReplyIsOneClearFailure)
{
    ScriptedServer scripted;
    login(scripted);
    scripted.replyRaw("\x01\x02 garbage\r\n");
    CFTPSession* s = sessionOn(scripted);
    s->MkDir("/", "x");   // the current folder is unknown: CWD / gets the garbage
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_NE(failed.text.find("garbage"), std::string::npos) << failed.text;
}

TEST_F(ScriptedFaultTest, EndlessReplyLineFailsWithoutExhaustingMemory)
{
    ScriptedServer scripted;
    login(scripted);
    scripted.replyRaw(std::string(10 * 1024 * 1024, 'x'));
    CFTPSession* s = sessionOn(scripted);
    s->MkDir("/", "x");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_NE(failed.text.find("longer than"), std::string::npos) << failed.text.substr(0, 200);
}

TEST_F(ScriptedFaultTest, ServerClosingMidMultiLineReplyIsAConnectionFailure)
{
    ScriptedServer scripted;
    scripted.greet("220-welcome").send("220-more to come\r\n").closeNow();
    CFTPSession* s = sessionOn(scripted);
    s->List("", "");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry);
    EXPECT_NE(failed.text.find("Connection closed by server"), std::string::npos) << failed.text;
}

TEST_F(ScriptedFaultTest, PassiveAddressOfAClosedPortFailsTheListing)
{
    ScriptedServer scripted;
    login(scripted);
    scripted.reply("250 ok").reply("227 Entering Passive Mode (127,0,0,1,0,1).");
    CFTPSession* s = sessionOn(scripted);
    s->List("/pub", "");
    SessionNotice failed = harness.outcome(s);
    EXPECT_EQ(failed.kind, NoticeFailed);
    EXPECT_EQ(failed.recovery, RecoveryRetry);
    EXPECT_NE(failed.text.find("refused"), std::string::npos) << failed.text;
}

} // namespace
} // namespace varnix
