#include "support/RawFtpClient.h"
#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace varnix::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptedServer, AnswersInChunksAndRecordsCommands)
{
    ScriptedServer server({.chunkSeed = 42, .maxChunk = 3});
    server.greet("220-Welcome\r\n220 ready")
        .reply("331 Need password")
        .replyRaw("230 in\n")
        .reply("221 Bye");
    server.start();

    RawFtpClient client(server.host(), server.port());
    EXPECT_EQ(client.readReply(), "220-Welcome\r\n220 ready\r\n");
    EXPECT_EQ(client.command("USER joe"), "331 Need password\r\n");
    EXPECT_EQ(client.command("PASS x y"), "230 in\n");
    client.sendRaw("QUIT\n");
    EXPECT_EQ(client.readReply(), "221 Bye\r\n");

    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.commands(), (Lines{"USER joe", "PASS x y", "QUIT"}));
    EXPECT_EQ(server.rawReceived(), "USER joe\r\nPASS x y\r\nQUIT\n");
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(ScriptedServer, KeepsTelnetBytesInPlaceAndSeesTheUrgentByte)
{
    ScriptedServer server;
    server.greet("220 hi").reply("226 Abort done");
    server.start();

    RawFtpClient client(server.host(), server.port());
    client.readReply();
    client.sendRaw("\xFF\xF4\xFF");
    client.sendUrgent('\xF2');
    EXPECT_EQ(client.command("ABOR"), "226 Abort done\r\n");

    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(server.urgentBytes(), "\xF2");
    EXPECT_EQ(server.rawReceived(), "\xFF\xF4\xFF\xF2" "ABOR\r\n");
    EXPECT_EQ(server.commands(), (Lines{"ABOR"}));
}

TEST(ScriptedServer, ServesAndReceivesDataInPassiveMode)
{
    ScriptedServer server;
    server.greet("220 hi")
        .replyPasv()
        .serveData("-rw-r--r-- 1 u g 5 Jan 01 2020 a\r\n")
        .replyPasv("227 =", "")
        .receiveData();
    server.start();

    RawFtpClient client(server.host(), server.port());
    client.readReply();
    std::uint16_t port = client.passivePort();
    client.sendRaw("LIST -A\r\n");
    EXPECT_EQ(client.readReply(), "150 Opening data connection.\r\n");
    EXPECT_EQ(RawFtpClient::readAll(server.host(), port), "-rw-r--r-- 1 u g 5 Jan 01 2020 a\r\n");
    EXPECT_EQ(client.readReply(), "226 Transfer complete.\r\n");

    const std::string pasv = client.command("PASV");
    unsigned p1 = 0, p2 = 0;
    ASSERT_EQ(std::sscanf(pasv.c_str(), "227 =127,0,0,1,%u,%u", &p1, &p2), 2) << pasv;
    client.sendRaw("STOR up.bin\r\n");
    EXPECT_EQ(client.readReply().substr(0, 3), "150");
    RawFtpClient::writeAll(server.host(), static_cast<std::uint16_t>(p1 * 256 + p2), "uploaded bytes");
    EXPECT_EQ(client.readReply(), "226 Transfer complete.\r\n");

    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.uploads(), (Lines{"uploaded bytes"}));
    EXPECT_EQ(server.commands(), (Lines{"PASV", "LIST -A", "PASV", "STOR up.bin"}));
}

TEST(ScriptedServer, ConnectsBackForPort)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const unsigned port = ntohs(addr.sin_port);

    ScriptedServer server;
    server.greet("220 hi").replyPort().serveData("file body", "150 here", "226 done");
    server.start();

    RawFtpClient client(server.host(), server.port());
    client.readReply();
    EXPECT_EQ(client.command("PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256)),
              "200 PORT command successful.\r\n");
    EXPECT_EQ(client.command("RETR f"), "150 here\r\n");
    const int data = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(data, 0);
    std::string received;
    char buf[256];
    for (ssize_t n; (n = ::recv(data, buf, sizeof buf, 0)) > 0;)
        received.append(buf, static_cast<std::size_t>(n));
    ::close(data);
    ::close(listener);
    EXPECT_EQ(received, "file body");
    EXPECT_EQ(client.readReply(), "226 done\r\n");
    EXPECT_EQ(server.failure(), "");
}

TEST(ScriptedServer, ClosesMidReplyAndAcceptsAReconnect)
{
    ScriptedServer server;
    server.greet("220 one").closeAfter("150 Opening da").reconnect().greet("220 two").reply("200 ok");
    server.start();

    {
        RawFtpClient first(server.host(), server.port());
        first.readReply();
        first.sendRaw("RETR x\r\n");
        EXPECT_THROW(first.readReply(), std::runtime_error); // cut mid-line
    }
    RawFtpClient second(server.host(), server.port());
    EXPECT_EQ(second.readReply(), "220 two\r\n");
    EXPECT_EQ(second.command("NOOP"), "200 ok\r\n");

    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(server.failure(), "");
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_EQ(server.commands(), (Lines{"RETR x", "NOOP"}));
}

TEST(ScriptedServer, ReportsAStepThatCannotComplete)
{
    ScriptedServer server({.timeout = std::chrono::milliseconds(200)});
    server.greet("220 hi").silent().reply("200 never sent");
    server.start();

    RawFtpClient client(server.host(), server.port());
    client.readReply();
    client.sendRaw("NOOP\r\n");
    ASSERT_TRUE(server.waitDone());
    EXPECT_EQ(server.failure(), "step 3 (reply): timed out after 200 ms");
}

TEST(ScriptedServer, StopsCleanlyWithoutAClient)
{
    ScriptedServer server;
    server.greet("220 hi");
    server.start();
    server.stop();
    EXPECT_TRUE(server.done());
    EXPECT_EQ(server.connectionCount(), 0);
}

} // namespace
} // namespace varnix::test
