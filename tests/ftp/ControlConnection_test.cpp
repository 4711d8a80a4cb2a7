#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace varnix::test {
namespace {

using Lines = std::vector<std::string>;

// --- replies ---

TEST(ControlReplies, MultiLineGreetingAndFeaturesAreOneReplyEachEvenInSmallPieces)
{
    ScriptedServer s({.chunkSeed = 5, .maxChunk = 3});
    s.greet("220-Welcome\r\n220-to the test\r\n220 ready")
        .reply("331 password please")
        .reply("230 logged in")
        .reply("200 binary")
        .reply("211-Features:\r\n MDTM\r\n mlst type*;size*;modify*;\r\n UTF8\r\n211 End")
        .reply("200 Always in UTF8 mode.");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    EXPECT_TRUE(e.engine().IsConnected());
    EXPECT_EQ(e.h.log(), "< 220-Welcome\r\n< 220-to the test\r\n< 220 ready\r\n"
                         "> USER anonymous\r\n< 331 password please\r\n"
                         "> PASS rover@\r\n< 230 logged in\r\n"
                         "> TYPE I\r\n< 200 binary\r\n"
                         "> FEAT\r\n< 211-Features:\r\n<  MDTM\r\n<  mlst type*;size*;modify*;\r\n<  UTF8\r\n"
                         "< 211 End\r\n> OPTS UTF8 ON\r\n< 200 Always in UTF8 mode.\r\n");
    const ServerFeatures& features = e.engine().features();
    EXPECT_TRUE(features.offers("MDTM") && features.offers("utf8") && !features.offers("MFMT"));
    EXPECT_EQ(features.parameters("MLST"), "type*;size*;modify*;");
}

TEST(ControlReplies, OnlyTheSameCodeAndASpaceCloseAMultiLineReply)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw("211-first\r\n200 not mine\r\n211-still going\r\n211end\r\n211 last\r\n")
        .reply("200 next");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("FEAT");
    EXPECT_EQ(e.engine().ReadReply("2"), "211-first\r\n200 not mine\r\n211-still going\r\n211end\r\n211 last\r\n");
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), "200 next\r\n");
}

TEST(ControlReplies, EachDigitIsCheckedAgainstItsOwnSet)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("250 ok").reply("251 ok").reply("331 more");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("A");
    EXPECT_EQ(e.engine().ReadReply("2", "5", "0"), "250 ok\r\n");
    e.engine().SendCommand("B");
    EXPECT_THROW(e.engine().ReadReply("2", "5", "0"), CFTPException);
    e.engine().SendCommand("C");
    EXPECT_EQ(e.engine().ReadReply("23"), "331 more\r\n");
}

TEST(ControlReplies, ShortLinesFailWithoutClosingTheConnection)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw("22\r\n").replyRaw("2\r\n").reply("200 still here");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    struct Case {
        const char* reply;
        const char* message;
    };
    // Four characters pass the length test; the CR then fails the third digit.
    for (const Case c : {Case{"22\r\n", "22\r\n"}, Case{"2\r\n", "Server returned insufficient reply"}}) {
        e.engine().SendCommand("NOOP");
        try {
            e.engine().ReadReply("2");
            ADD_FAILURE() << c.reply << " accepted";
        } catch (const CFTPException& failure) {
            EXPECT_EQ(failure.GetErrorMessage(), c.message);
            EXPECT_EQ(failure.recovery, 0u);
        }
        EXPECT_TRUE(e.engine().IsConnected());
    }
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), "200 still here\r\n");
}

TEST(ControlReplies, RefusedMultiLineReplyLeavesItsContinuationForTheNextRead)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw("550-No such file\r\n550 really not\r\n");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("SIZE x");
    try {
        e.engine().ReadReply("2");
        FAIL() << "550 accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "550-No such file\r\n");
    }
    EXPECT_EQ(e.engine().ReadReply(kAnyDigit), "550 really not\r\n");
}

TEST(ControlReplies, ServerClosingMidReplyIsARetryableConnectionFailure)
{
    for (const char* partial : {"220-one\r\n220-two\r\n", "220-one\r\n220-tw", "", "200 cut sho"}) {
        ScriptedServer s;
        scriptPlainLogin(s).closeAfter(partial);
        s.start();
        EngineOnScript e(s);
        e.engine().Connect();
        e.engine().SendCommand("NOOP");
        try {
            std::string reply = e.engine().ReadReply("2");
            // A line the end of the stream cut short still counts as a line...
            EXPECT_EQ(reply, "200 cut sho") << partial;
        } catch (const CNetException& failure) {
            EXPECT_EQ(failure.error, ECONNRESET) << partial;
            EXPECT_EQ(failure.GetErrorMessage(), "Connection closed by server");
        }
        // ... but nothing more will come, so the next task must log in again.
        EXPECT_FALSE(e.engine().IsConnected()) << partial;
    }
}

TEST(ControlReplies, EndlessLineFailsClearlyAndClosesTheConnection)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw(std::string(10 * 1024 * 1024, 'x'));
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("NOOP");
    try {
        e.engine().ReadReply("2");
        FAIL() << "endless line accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Server sent a line longer than 65536 bytes");
    }
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(ControlReplies, LineOfExactlyTheLimitIsAccepted)
{
    const std::string longest = "200 " + std::string(BlockingSocket::kMaxLine - 6, 'x') + "\r\n";
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw(longest).reply("200 next");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), longest);
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), "200 next\r\n");
}

TEST(ControlReplies, SilentServerTimesOut)
{
    ScriptedServer s;
    scriptPlainLogin(s).silent();
    s.start();
    EngineOnScript e(s);
    e.h.set(Setting::RecvTimeout, 1);
    e.engine().Connect();
    e.engine().SendCommand("NOOP");
    try {
        e.engine().ReadReply("2");
        FAIL() << "silence accepted";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ETIMEDOUT);
    }
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(ControlCommands, CommandWithALineBreakIsRefusedAndNothingIsSent)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("200 ok");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    EXPECT_THROW(e.engine().SendCommand("CWD a\r\nDELE b"), CFTPException);
    EXPECT_THROW(e.engine().SendCommand("CWD a\nDELE b"), CFTPException);
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), "200 ok\r\n");
    EXPECT_EQ(e.afterLogin(), Lines{"NOOP"});
}

// --- abort recovery ---

// A folder of one large file and a download of it that the server holds
// after the first bytes, so that the transfer is surely under way.
ScriptedServer& scriptHeldDownload(ScriptedServer& s)
{
    return scriptPlainLogin(s)
        .reply("250 CWD ok")
        .replyPasv()
        .serveData("-rw-r--r-- 1 o g 100000 Jan 1 2001 f\r\n")
        .replyPasv()
        .serveDataAndHold(std::string(1000, 'd'));
}

void abortOnFirstData(EngineOnScript& e)
{
    e.h.target.onNotice([&e](const SessionNotice& n) {
        if (n.kind == NoticeProgress && n.moved > 0)
            e.engine().RequestAbort();
    });
}

TEST(ControlAbort, AbortDuringADownloadSendsSynchAndAborThenReadsBothReplies)
{
    ScriptedServer s;
    scriptHeldDownload(s).reply("426 Transfer aborted\r\n226 ABOR successful").reply("257 \"/pub\" is current");
    s.start();
    EngineOnScript e(s);
    TempTree local;
    e.engine().Connect();
    abortOnFirstData(e);
    EXPECT_THROW(e.engine().Download("/pub", local.path("f").string(), "f", false, "f"), CAbortException);
    e.engine().RecoverAfterAbort();

    ASSERT_TRUE(s.waitDone());
    EXPECT_EQ(s.failure(), "");
    EXPECT_EQ(e.afterLogin(), (Lines{"CWD /pub", "PASV", "LIST -A", "PASV", "RETR f", "ABOR", "PWD"}));
    EXPECT_EQ(s.urgentBytes(), "\xFF");
    const std::string raw = s.rawReceived();
    EXPECT_NE(raw.find("RETR f\r\n\xFF\xF4\xFF\xF2" "ABOR\r\nPWD\r\n"), std::string::npos);
    EXPECT_NE(e.h.log().find("< 426 Transfer aborted\r\n< 226 ABOR successful\r\n> PWD\r\n"), std::string::npos);
    EXPECT_EQ(e.engine().CurrentDirectory(), "/pub");
    EXPECT_EQ(e.h.target.texts(NoticeStatus).back(), "Done");
    EXPECT_TRUE(e.engine().IsConnected());
}

TEST(ControlAbort, AbortWithoutADataConnectionReadsTheOutstandingReplyThenAsksPwd)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("200 late NOOP").reply("257 \"/home\" is current");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("NOOP");
    e.engine().RequestAbort(); // not waiting: the next wait throws at once
    EXPECT_THROW(e.engine().ReadReply("2"), CAbortException);
    e.engine().RecoverAfterAbort();

    EXPECT_EQ(e.afterLogin(), (Lines{"NOOP", "PWD"}));
    EXPECT_EQ(s.urgentBytes(), "");
    EXPECT_EQ(s.rawReceived().find('\xFF'), std::string::npos);
    EXPECT_EQ(e.engine().CurrentDirectory(), "/home");
    EXPECT_EQ(e.h.target.texts(NoticeStatus).back(), "Done");
}

TEST(ControlAbort, RecoveryWithoutAnAbortDoesNothing)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("200 ok");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    const std::size_t statuses = e.h.target.count(NoticeStatus);
    e.engine().RecoverAfterAbort();
    e.engine().SendCommand("NOOP");
    EXPECT_EQ(e.engine().ReadReply("2"), "200 ok\r\n"); // no PWD reply was taken from us
    EXPECT_EQ(e.afterLogin(), Lines{"NOOP"});
    EXPECT_EQ(e.h.target.count(NoticeStatus), statuses);
}

TEST(ControlAbort, ServerGoneDuringRecoveryClosesControlForTheNextTask)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("200 late NOOP").closeAfter();
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().SendCommand("NOOP");
    e.engine().RequestAbort();
    EXPECT_THROW(e.engine().ReadReply("2"), CAbortException);
    EXPECT_THROW(e.engine().RecoverAfterAbort(), CNetException);
    EXPECT_FALSE(e.engine().IsConnected());
    e.engine().RecoverAfterAbort(); // the flags went with the first attempt
}

// --- abort against real servers: the connection is in step afterwards ---

class ControlAbortOnServer : public EngineOnRealServer {};

TEST_P(ControlAbortOnServer, DownloadAbortedMidwayLeavesControlInStep)
{
    tree.makeSparse("big.bin", 64ull * 1024 * 1024);
    ServerOptions options;
    if (GetParam() == ServerKind::Pyftpdlib)
        options.stallDataAfter = 200000;
    start(options);
    TempTree local;
    h->set(Setting::RecvBuffer, 4096);
    engine().Connect();
    std::uint64_t reported = 0;
    h->target.onNotice([this, &reported](const SessionNotice& n) {
        if (n.kind == NoticeProgress)
            reported = n.moved;
        if (n.kind == NoticeProgress && n.moved > 0)
            engine().RequestAbort();
    });
    EXPECT_THROW(engine().Download(remote(), local.path("big.bin").string(), "big.bin", false, "big"),
                 CAbortException);
    h->target.onNotice(nullptr);
    // Everything reported as received is in the file, ready for a resume.
    EXPECT_GT(reported, 0u);
    EXPECT_EQ(std::filesystem::file_size(local.path("big.bin")), reported);
    engine().RecoverAfterAbort();
    ASSERT_TRUE(engine().IsConnected());
    EXPECT_EQ(engine().CurrentDirectory(), remote());
    // The server's log keeps the Telnet bytes before the command in its own way.
    const auto log = server->commandLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& c) { return c.ends_with("ABOR"); }));
    EXPECT_EQ(log.back(), "PWD");

    // In step: each command now reads its own reply.
    engine().ChangeDirectory(remote());
    engine().UpdateWorkingDirectory();
    EXPECT_EQ(engine().CurrentDirectory(), remote());
}

INSTANTIATE_TEST_SUITE_P(Servers, ControlAbortOnServer,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd), nameOfKind);

} // namespace
} // namespace varnix::test
