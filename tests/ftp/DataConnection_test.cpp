#include "EngineFixtures.h"
#include "model/RemoteFolder.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <cstdio>

namespace varnix::test {
namespace {

using Lines = std::vector<std::string>;

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The port an EPRT command names for the given address, or -1.
int portOfEprt(const std::string& command, const std::string& address)
{
    const std::string prefix = "EPRT |" + std::string(address.find(':') != std::string::npos ? "2" : "1") + "|" +
                               address + "|";
    unsigned port = 0;
    char end = 0, extra = 0;
    if (!startsWith(command, prefix) ||
        std::sscanf(command.c_str() + prefix.size(), "%u%c%c", &port, &end, &extra) != 2 || end != '|' ||
        port > 65535)
        return -1;
    return static_cast<int>(port);
}

// The port a PORT command names, or -1 when it is not of our form.
int portOfCommand(const std::string& command)
{
    unsigned a = 0, b = 0, c = 0, d = 0, high = 0, low = 0;
    char end = 0;
    if (std::sscanf(command.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &a, &b, &c, &d, &high, &low, &end) != 6)
        return -1;
    if (a != 127 || b != 0 || c != 0 || d != 1 || high > 255 || low > 255)
        return -1;
    return static_cast<int>(high * 256 + low);
}

// --- against real servers: a listing through each kind of data connection ---

class DataOnServer : public EngineOnRealServer {
protected:
    void SetUp() override { tree.write("a.txt", "some bytes"); }

    // Lists the served root and returns the commands it took.
    Lines listRoot()
    {
        engine().Connect();
        engine().SetDirectory(remote());
        const std::size_t before = mark();
        FolderHandle folder = engine().ListFolder(remote(), {}, false);
        EXPECT_TRUE(folder && folder->find("a.txt"));
        Lines commands = commandsSince(before);
        std::erase_if(commands, [](const std::string& c) { return c.starts_with("OPTS MLST"); });
        return commands;
    }
    // pyftpdlib offers MLST, vsftpd only LIST.
    std::string listCommand() const { return GetParam() == ServerKind::Pyftpdlib ? "MLSD" : "LIST -A"; }
};

// Both servers offer EPSV and EPRT in their FEAT reply.
TEST_P(DataOnServer, PassiveModeUsesTheOfferedEpsv)
{
    start();
    h->set(Setting::PasvMode, 1);
    const Lines commands = listRoot();
    EXPECT_EQ(commands, (Lines{"EPSV", listCommand()}));
    EXPECT_TRUE(containsLine(h->target.texts(NoticeStatus), "Opening data connection..."));
}

TEST_P(DataOnServer, ActiveModeNamesTheControlConnectionsOwnAddress)
{
    start();
    h->set(Setting::PasvMode, 0);
    const Lines commands = listRoot();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_GT(portOfEprt(commands[0], "127.0.0.1"), 0) << commands[0];
    EXPECT_EQ(commands[1], listCommand());
}

// Over IPv6 and IPv4, passive and active: a listing, a download and an upload.
TEST_P(DataOnServer, EveryFamilyAndModeListsDownloadsAndUploads)
{
    for (const char* address : {"127.0.0.1", "::1"}) {
        if (std::string(address) == "::1" && !loopbackIpv6Available()) {
            GTEST_SKIP() << "no IPv6 on loopback (::1) on this machine";
        }
        for (std::uint32_t passive : {1u, 0u}) {
            SCOPED_TRACE(std::string(address) + (passive ? " passive" : " active"));
            TempTree local("varnix-family");
            start({.address = address});
            h->set(Setting::PasvMode, passive);
            const Lines commands = listRoot();
            ASSERT_EQ(commands.size(), 2u);
            EXPECT_TRUE(passive ? commands[0] == "EPSV" : portOfEprt(commands[0], address) > 0) << commands[0];
            const auto path = local.path("a.txt");
            EXPECT_EQ(engine().Download(remote(), path.string(), "a.txt", false, {}), 10u);
            EXPECT_EQ(engine().Upload(remote(), "b.txt", path.string(), false, {}), 10u);
            EXPECT_EQ(readFileText(tree.path("b.txt")), "some bytes");
            EXPECT_TRUE(containsLine(h->target.texts(NoticeStatus),
                                     "Connecting to " + server->url().substr(6) + "..."));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, DataOnServer, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         nameOfKind);

// The misbehaviour switches exist on pyftpdlib only.
class DataFallbackOnServer : public DataOnServer {};

TEST_P(DataFallbackOnServer, RefusedPasvFallsBackToPort)
{
    start({.refusePasv = true});
    h->set(Setting::PasvMode, 1);
    const Lines commands = listRoot();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0], "EPSV");
    EXPECT_EQ(commands[1], "PASV");
    EXPECT_GT(portOfEprt(commands[2], "127.0.0.1"), 0) << commands[2];
    EXPECT_EQ(commands[3], listCommand());
}

TEST_P(DataFallbackOnServer, RefusedPortFallsBackToPasv)
{
    start({.refusePort = true});
    h->set(Setting::PasvMode, 0);
    const Lines commands = listRoot();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_GT(portOfEprt(commands[0], "127.0.0.1"), 0) << commands[0];
    EXPECT_GT(portOfCommand(commands[1]), 0) << commands[1];
    EXPECT_EQ(commands[2], "EPSV");
    EXPECT_EQ(commands[3], listCommand());
}

TEST_P(DataFallbackOnServer, BothModesRefusedReportsTheSecondRefusal)
{
    start({.refusePasv = true, .refusePort = true});
    h->set(Setting::PasvMode, 1);
    engine().Connect();
    try {
        engine().OpenDataConnection();
        FAIL() << "no data connection possible, yet opened";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "500 Active mode refused.\r\n");
    }
    EXPECT_TRUE(engine().IsConnected());
}

INSTANTIATE_TEST_SUITE_P(Servers, DataFallbackOnServer, ::testing::Values(ServerKind::Pyftpdlib), nameOfKind);

// --- exact sequences ---

const char* const kListing = "-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n";

TEST(DataScripted, RefusedPasvThenPortCarriesTheListing)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("250 CWD ok").reply("500 no passive here").replyPort().serveData(kListing);
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    FolderHandle folder = e.engine().ListFolder("/pub", {}, false);
    EXPECT_TRUE(folder->find("a"));
    const Lines commands = e.afterLogin();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[1], "PASV");
    EXPECT_GT(portOfCommand(commands[2]), 0) << commands[2];
    EXPECT_EQ(commands[3], "LIST -A");
    EXPECT_EQ(s.failure(), "");
}

// The socket that listened for the refused PORT cannot be the one that
// connects for PASV: the second attempt needs a fresh one.
TEST(DataScripted, RefusedPortThenPasvCarriesTheListing)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("250 CWD ok").reply("500 no active here").replyPasv().serveData(kListing);
    s.start();
    EngineOnScript e(s);
    e.h.set(Setting::PasvMode, 0);
    e.engine().Connect();
    EXPECT_TRUE(e.engine().ListFolder("/pub", {}, false)->find("a"));
    const Lines commands = e.afterLogin();
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_TRUE(startsWith(commands[1], "PORT ")) << commands[1];
    EXPECT_EQ(commands[2], "PASV");
    EXPECT_EQ(commands[3], "LIST -A");
}

// An IPv4 server that offers EPSV yet refuses it gets PASV, then and for the
// rest of the connection; EPRT offered and refused likewise gives way to PORT.
TEST(DataScripted, RefusedExtendedCommandsGiveWayForTheConnection)
{
    ScriptedServer s;
    s.greet("220 ready").reply("331 password please").reply("230 logged in").reply("200 binary");
    s.replyRaw("211-Features:\r\n EPSV\r\n EPRT\r\n211 End\r\n");
    s.reply("250 CWD ok").reply("502 EPSV not implemented").replyPasv().serveData(kListing);
    s.reply("250 CWD ok").replyPasv().serveData(kListing);
    s.reply("250 CWD ok").reply("500 EPRT what").replyPort().serveData(kListing);
    s.reply("250 CWD ok").replyPort().serveData(kListing);
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    for (const char* folder : {"/a", "/b", "/c", "/d"}) {
        e.h.set(Setting::PasvMode, folder[1] < 'c' ? 1 : 0);
        EXPECT_TRUE(e.engine().ListFolder(folder, {}, false)->find("a")) << folder;
    }
    const Lines commands = e.afterLogin();
    ASSERT_EQ(commands.size(), 14u);
    EXPECT_EQ((Lines{commands[1], commands[2], commands[5]}), (Lines{"EPSV", "PASV", "PASV"}));
    EXPECT_TRUE(startsWith(commands[8], "EPRT |1|127.0.0.1|")) << commands[8];
    EXPECT_GT(portOfCommand(commands[9]), 0) << commands[9];
    EXPECT_GT(portOfCommand(commands[12]), 0) << commands[12];
    EXPECT_EQ(s.failure(), "");
}

TEST(DataScripted, PasvReplyWithoutClosingParenthesisFailsWithoutFallback)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyPasv("227 Entering Passive Mode (", "");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    EXPECT_THROW(e.engine().OpenDataConnection(), CNetException);
    EXPECT_EQ(e.afterLogin(), Lines{"PASV"});
    EXPECT_TRUE(e.engine().IsConnected()); // the control connection is still in step
}

TEST(DataScripted, UnreachablePassiveAddressFailsWithoutFallback)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("227 Entering Passive Mode (127,0,0,1,0,1).");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    EXPECT_THROW(e.engine().OpenDataConnection(), CNetException);
    EXPECT_EQ(e.afterLogin(), Lines{"PASV"});
}

// A hostile server must not make the client look up and connect to a name
// of its choosing.
TEST(DataScripted, PassiveReplyNamingAHostIsRefusedWithoutALookUp)
{
    ScriptedServer s;
    scriptPlainLogin(s).reply("227 Entering Passive Mode (evil.invalid,1,2).");
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    try {
        e.engine().OpenDataConnection();
        ADD_FAILURE() << "a host name was accepted as a passive address";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, EINVAL);
        EXPECT_NE(failure.GetErrorMessage().find("evil.invalid"), std::string::npos);
    }
    EXPECT_EQ(e.afterLogin(), Lines{"PASV"});
    EXPECT_TRUE(e.engine().IsConnected());
}

// The over-long line closed the control connection, so a fallback to PORT
// could only fail with a text that hides what went wrong.
TEST(DataScripted, OverlongPasvReplyFailsWithItsOwnTextAndNoFallback)
{
    ScriptedServer s;
    scriptPlainLogin(s).replyRaw(std::string(BlockingSocket::kMaxLine + 1, 'x'));
    s.start();
    EngineOnScript e(s);
    e.engine().Connect();
    try {
        e.engine().OpenDataConnection();
        FAIL() << "an over-long PASV reply was accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Server sent a line longer than 65536 bytes");
    }
    EXPECT_EQ(e.afterLogin(), Lines{"PASV"});
    EXPECT_FALSE(e.engine().IsConnected());
}

} // namespace
} // namespace varnix::test
