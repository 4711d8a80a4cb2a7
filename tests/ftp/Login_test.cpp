#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace varnix::test {
namespace {

using Lines = std::vector<std::string>;

void setPortText(EngineHarness& h, const std::string& port)
{
    LockedHandle<LoginData> login = LockedAccess<SiteContext>(h.site)->login();
    LockedAccess<LoginData>(login)->port = port;
}

// --- against real servers ---

class LoginOnServer : public EngineOnRealServer {};

TEST_P(LoginOnServer, AnonymousLoginReportsEachStepAndSetsBinaryMode)
{
    start();
    engine().Connect();
    EXPECT_TRUE(engine().IsConnected());
    EXPECT_EQ(h->target.texts(NoticeStatus),
              (Lines{"Connecting to 127.0.0.1:" + std::to_string(server->port()) + "...",
                     "The server does not offer TLS: the login and files travel unencrypted",
                     "Verifing username and password...", "Setting binary transfer mode..."}));
    const auto log = server->commandLog();
    EXPECT_EQ(log.front(), "AUTH TLS");
    EXPECT_TRUE(containsLine(log, "USER anonymous"));
    EXPECT_TRUE(containsLine(log, "TYPE I"));
    EXPECT_EQ(server->loginCount(), 1);
    EXPECT_NE(h->log().find("> PASS rover@\r\n"), std::string::npos);
    EXPECT_EQ(engine().CurrentDirectory(), ""); // learned only when first needed

    const std::size_t before = mark();
    engine().Connect();
    EXPECT_EQ(commandsSince(before), Lines{});
}

TEST_P(LoginOnServer, WorkingDirectoryComesFromPwd)
{
    start();
    engine().Connect();
    engine().UpdateWorkingDirectory();
    EXPECT_EQ(engine().CurrentDirectory(), remote());
    EXPECT_EQ(h->target.texts(NoticeStatus).back(), "Updating working directory...");
}

TEST_P(LoginOnServer, SetDirectorySendsCwdOnlyWhenTheFolderChanges)
{
    tree.mkdir("docs");
    start();
    engine().Connect();
    std::size_t before = mark();
    engine().SetDirectory(remote("docs"));
    engine().SetDirectory(remote("docs"));
    EXPECT_EQ(commandsSince(before), Lines{"CWD " + remote("docs")});
    EXPECT_EQ(engine().CurrentDirectory(), remote("docs"));

    before = mark();
    engine().ChangeDirectory("..");
    EXPECT_EQ(commandsSince(before), Lines{"CDUP"});
    EXPECT_EQ(engine().CurrentDirectory(), remote("docs")); // only SetDirectory records the folder
    engine().UpdateWorkingDirectory();
    EXPECT_EQ(engine().CurrentDirectory(), remote());
}

TEST_P(LoginOnServer, RefusedCwdKeepsTheFolderAndTheConnection)
{
    start();
    engine().Connect();
    engine().SetDirectory(remote());
    EXPECT_THROW(engine().SetDirectory(remote("missing")), CFTPException);
    EXPECT_EQ(engine().CurrentDirectory(), remote());
    EXPECT_TRUE(engine().IsConnected());
    engine().UpdateWorkingDirectory(); // still in step
    EXPECT_EQ(engine().CurrentDirectory(), remote());
}

TEST_P(LoginOnServer, KeepAliveProbesAreHarmlessAndLeaveControlInStep)
{
    start();
    engine().Connect();
    engine().SetDirectory(remote());
    const std::size_t before = mark();
    for (int i = 0; i < 12; ++i)
        engine().SendKeepAlive();
    const Lines probes = commandsSince(before);
    EXPECT_EQ(probes.size(), 12u);
    for (const auto& probe : probes)
        EXPECT_TRUE(probe == "PWD" || probe == "REST 0" || probe == "TYPE I") << probe;
    EXPECT_EQ(engine().CurrentDirectory(), remote()); // the PWD answer is not taken over
    engine().UpdateWorkingDirectory();
    EXPECT_EQ(engine().CurrentDirectory(), remote());
}

TEST_P(LoginOnServer, QuitSaysGoodbyeAndLeavesTheSocketToItsOwner)
{
    start();
    engine().Connect();
    engine().Quit();
    EXPECT_TRUE(containsLine(server->commandLog(), "QUIT"));
    EXPECT_TRUE(engine().IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, LoginOnServer, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         nameOfKind);

class NamedLoginOnServer : public EngineOnRealServer {};

TEST_P(NamedLoginOnServer, NamedUserLogsIn)
{
    start({.anonymous = false}, "tester", "secret");
    engine().Connect();
    const auto log = server->commandLog();
    EXPECT_TRUE(containsLine(log, "USER tester"));
    EXPECT_TRUE(containsLine(log, "PASS secret"));
    EXPECT_EQ(server->loginCount(), 1);
}

TEST_P(NamedLoginOnServer, RefusedPasswordLeavesPolitelyAndAsksForNewCredentials)
{
    start({.anonymous = false}, "tester", "wrong");
    try {
        engine().Connect();
        FAIL() << "wrong password accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.recovery, RecoveryLogin);
        EXPECT_EQ(failure.GetErrorMessage().substr(0, 4), "530 ");
    }
    EXPECT_FALSE(engine().IsConnected());
    EXPECT_EQ(server->commandLog(), (Lines{"AUTH TLS", "USER tester", "PASS wrong", "TYPE I", "QUIT"}));
    EXPECT_EQ(server->loginCount(), 0);
}

// Named users exist on pyftpdlib only.
INSTANTIATE_TEST_SUITE_P(Servers, NamedLoginOnServer, ::testing::Values(ServerKind::Pyftpdlib), nameOfKind);

// --- exact sequences ---

TEST(LoginScripted, EmptyPasswordSendsTheAnonymousPasswordSetting)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.start();
    EngineOnScript e(s, "joe");
    LockedAccess<SiteContext>(e.h.site)->settings().setAnonymousPassword("me@example.org");
    e.engine().Connect();
    EXPECT_EQ(s.commands(), (Lines{"USER joe", "PASS me@example.org", "TYPE I", "FEAT"}));
}

TEST(LoginScripted, PassIsSentEvenAfterAPositiveUserReply)
{
    ScriptedServer s;
    s.greet("220 ready").reply("230 no password needed").reply("230 fine").reply("200 binary").reply("500 FEAT?");
    s.start();
    EngineOnScript e(s, "joe", "pw");
    e.engine().Connect();
    EXPECT_EQ(s.commands(), (Lines{"USER joe", "PASS pw", "TYPE I", "FEAT"}));
}

TEST(LoginScripted, PortTextIsReadByItsLeadingDigits)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.start();
    EngineOnScript e(s);
    setPortText(e.h, std::to_string(s.port()) + "abc");
    e.engine().Connect();
    EXPECT_TRUE(e.engine().IsConnected());
    EXPECT_EQ(e.h.target.texts(NoticeStatus).front(), "Connecting to 127.0.0.1:" + std::to_string(s.port()) + "abc...");
}

TEST(LoginScripted, PortTextWithoutDigitsOrOutOfRangeFailsAsAConnectionFailure)
{
    for (const char* port : {"abc", "", "65536", "-21"}) {
        EngineHarness h("127.0.0.1", 21);
        useShortTimeouts(h);
        setPortText(h, port);
        EXPECT_THROW(h.engine.Connect(), CNetException) << port;
        EXPECT_FALSE(h.engine.IsConnected());
    }
}

TEST(LoginScripted, RefusedGreetingIsAnOrdinaryFailure)
{
    ScriptedServer s;
    s.greet("421 Too many users");
    s.start();
    EngineOnScript e(s);
    try {
        e.engine().Connect();
        FAIL() << "refused greeting accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "421 Too many users\r\n");
        EXPECT_EQ(failure.recovery, RecoveryNone);
    }
    EXPECT_FALSE(e.engine().IsConnected());
    EXPECT_EQ(s.commands(), Lines{});
}

TEST(LoginScripted, RefusedBinaryModeIsAnOrdinaryFailure)
{
    ScriptedServer s;
    s.greet("220 ready").reply("331 pw").reply("230 in").reply("504 no binary here");
    s.start();
    EngineOnScript e(s);
    try {
        e.engine().Connect();
        FAIL() << "refused TYPE I accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.recovery, RecoveryNone);
    }
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(LoginScripted, RefusedUserNameStillTriesTypeAndQuitThenAsksForCredentials)
{
    ScriptedServer s;
    s.greet("220 ready").reply("530 not you").reply("530 log in first").reply("221 bye");
    s.start();
    EngineOnScript e(s, "joe", "pw");
    try {
        e.engine().Connect();
        FAIL() << "refused user accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "530 not you\r\n"); // the refusal, not what followed
        EXPECT_EQ(failure.recovery, RecoveryLogin);
    }
    EXPECT_EQ(s.commands(), (Lines{"USER joe", "TYPE I", "QUIT"}));
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(LoginScripted, ServerThatHangsUpAfterTheRefusalStillGivesTheLoginFailure)
{
    ScriptedServer s;
    s.greet("220 ready").reply("331 pw").replyRaw("530 Login incorrect.\r\n").closeNow();
    s.start();
    EngineOnScript e(s, "joe", "bad");
    try {
        e.engine().Connect();
        FAIL() << "refused password accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.recovery, RecoveryLogin);
    }
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(LoginScripted, ConnectionLostDuringLoginIsRetryableNotALoginFailure)
{
    ScriptedServer s;
    s.greet("220 ready").closeAfter();
    s.start();
    EngineOnScript e(s);
    EXPECT_THROW(e.engine().Connect(), CNetException);
    EXPECT_FALSE(e.engine().IsConnected());
}

TEST(LoginScripted, PwdRepliesAreReadAsQuotedPaths)
{
    ScriptedServer s;
    scriptPlainLogin(s)
        .reply("257 \"/home/a\" is current")
        .reply("257 \"/odd\"\"name\" is current")
        .reply("257 /home/b is current")
        .reply("257 \"/never closed");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    e.engine().UpdateWorkingDirectory();
    EXPECT_EQ(e.engine().CurrentDirectory(), "/home/a");
    e.engine().UpdateWorkingDirectory();
    EXPECT_EQ(e.engine().CurrentDirectory(), "/odd\"\"name");
    for (int i = 0; i < 2; ++i) {
        try {
            e.engine().UpdateWorkingDirectory();
            ADD_FAILURE() << "malformed PWD reply accepted";
        } catch (const CFTPException& failure) {
            EXPECT_EQ(failure.GetErrorMessage(), "Server returned malformed working directory");
        }
        EXPECT_EQ(e.engine().CurrentDirectory(), "/odd\"\"name");
        EXPECT_TRUE(e.engine().IsConnected());
    }
}

TEST(LoginScripted, KeepAliveSwallowsRefusalsAndALostConnection)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("350 restart at 0").reply("500 refused").closeAfter();
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    for (int i = 0; i < 3; ++i)
        EXPECT_NO_THROW(e.engine().SendKeepAlive());
    EXPECT_FALSE(e.engine().IsConnected());
    EXPECT_NO_THROW(e.engine().SendKeepAlive()); // unconnected: nothing to probe
    EXPECT_EQ(e.afterLogin().size(), 3u);
}

} // namespace
} // namespace varnix::test
