#include "net/BlockingSocket.h"
#include "net/Exceptions.h"
#include "platform/Profile.h"
#include "site/LoginRegistry.h"
#include "support/FtpServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace varnix {
namespace {

// A site of its own for each test, so that time-outs can be set freely.
struct TestSite {
    TestSite()
    {
        site = makeLocked<SiteContext>("127.0.0.1", "21", "", "", registry, profile, global);
        setTimeouts(2);
    }
    void setTimeouts(std::uint32_t seconds)
    {
        LockedAccess<SiteContext>(site)->settings().setRecvTimeout(seconds);
        LockedAccess<SiteContext>(site)->settings().setSendTimeout(seconds);
    }
    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
    SiteHandle site;
};

// A plain blocking peer on a loopback port: listens, accepts one
// connection, and then talks in ordinary blocking calls.
class Peer {
public:
    Peer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Peer()
    {
        closeConnection();
        ::close(listener_);
    }

    static sockaddr_in loopback(std::uint16_t port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    std::uint16_t port() const { return port_; }
    void accept() { fd_ = ::accept(listener_, nullptr, nullptr); }
    // Blocking; false when the other side went away first.
    bool send(const std::string& bytes)
    {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    void closeConnection()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Everything until the other side closes.
    std::string readAll()
    {
        std::string all;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            all.append(buffer, static_cast<std::size_t>(n));
        return all;
    }
    // Connects out to a listening socket, as a server does in active mode.
    static int connectTo(std::uint16_t port)
    {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(port);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

private:
    int listener_ = -1;
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

class BlockingSocketTest : public ::testing::Test {
protected:
    void connect()
    {
        socket.Create(true);
        socket.Connect("127.0.0.1", peer.port());
        peer.accept();
    }

    TestSite site;
    Peer peer;
    BlockingSocket socket{site.site};
};

// A port on which nothing listens: bound and closed again at once.
std::uint16_t closedPort()
{
    Peer gone;
    return gone.port();
}

TEST_F(BlockingSocketTest, ConnectsAndReportsBothAddresses)
{
    connect();
    EXPECT_TRUE(socket.IsConnected());
    EXPECT_EQ(socket.LocalAddress(), "127.0.0.1");
    EXPECT_EQ(socket.PeerAddress(), "127.0.0.1");
}

TEST_F(BlockingSocketTest, ConnectsToAHostName)
{
    socket.Create(false);
    socket.Connect("localhost", peer.port());
    EXPECT_EQ(socket.PeerAddress(), "127.0.0.1");
}

TEST_F(BlockingSocketTest, RefusedConnectFailsAndClosesTheSocket)
{
    socket.Create(true);
    try {
        socket.Connect("127.0.0.1", closedPort());
        FAIL() << "connected to a closed port";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ECONNREFUSED);
        EXPECT_EQ(failure.GetErrorMessage(), "Connection refused");
    }
    EXPECT_FALSE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, UnresolvableHostFailsWithTheResolversCode)
{
    socket.Create(true);
    try {
        socket.Connect("no-such-host.invalid", 21);
        FAIL() << "resolved a name that cannot exist";
    } catch (const CNetException& failure) {
        EXPECT_NE(failure.error, 0);
        EXPECT_FALSE(failure.GetErrorMessage().empty());
    }
    EXPECT_FALSE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, ReadLineKeepsTheLineEndAndWhatFollows)
{
    connect();
    peer.send("220 first\r\n220 second\r\nrest of data");
    peer.closeConnection();
    EXPECT_EQ(socket.ReadLine(), "220 first\r\n");
    EXPECT_EQ(socket.ReadLine(), "220 second\r\n");
    char buffer[64];
    std::size_t got = socket.Receive(buffer, sizeof buffer); // served from the line buffer first
    EXPECT_EQ(std::string(buffer, got), "rest of data");
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 0u);
}

TEST_F(BlockingSocketTest, ReadLineGivesAPartialLineThenEmptyAtTheEnd)
{
    connect();
    peer.send("no line end");
    peer.closeConnection();
    EXPECT_EQ(socket.ReadLine(), "no line end");
    EXPECT_EQ(socket.ReadLine(), "");
    EXPECT_EQ(socket.ReadLine(), "");
    EXPECT_TRUE(socket.IsConnected()); // the end of a stream is not a failure of the socket
}

TEST_F(BlockingSocketTest, ReceiveHandsOutBufferedBytesInPieces)
{
    connect();
    peer.send("line\nabcdef");
    EXPECT_EQ(socket.ReadLine(), "line\n");
    char buffer[4];
    std::string all;
    while (all.size() < 6) {
        std::size_t got = socket.Receive(buffer, sizeof buffer);
        ASSERT_GT(got, 0u);
        all.append(buffer, got);
    }
    EXPECT_EQ(all, "abcdef");
}

TEST_F(BlockingSocketTest, OverlongLineFailsAndClosesTheSocket)
{
    connect();
    std::thread writer([this] {
        std::string flood(BlockingSocket::kMaxLine + 100, 'x');
        peer.send(flood); // may fail once the reader has given up
    });
    EXPECT_THROW(socket.ReadLine(), CFTPException);
    EXPECT_FALSE(socket.IsConnected());
    writer.join();
}

TEST_F(BlockingSocketTest, LineOfExactlyTheLimitIsWhole)
{
    connect();
    const std::string line = std::string(BlockingSocket::kMaxLine - 1, 'x') + "\n";
    std::thread writer([&] { peer.send(line + "next\n"); });
    EXPECT_EQ(socket.ReadLine(), line);
    EXPECT_EQ(socket.ReadLine(), "next\n");
    writer.join();
}

TEST_F(BlockingSocketTest, SendAllDeliversEverythingAndNeverRaisesSigpipe)
{
    connect();
    const std::string bytes(3 * 1024 * 1024, 'b');
    std::string received;
    std::thread reader([&] { received = peer.readAll(); });
    socket.SendAll(bytes.data(), bytes.size());
    socket.Close();
    reader.join();
    EXPECT_EQ(received.size(), bytes.size());

    // A peer that has gone: the send fails as an exception, the process lives.
    connect();
    peer.closeConnection();
    const std::string chunk(64 * 1024, 'c');
    EXPECT_THROW(
        {
            for (int i = 0; i < 100; ++i)
                socket.SendAll(chunk.data(), chunk.size());
        },
        CNetException);
    EXPECT_FALSE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, SilentPeerTimesOut)
{
    site.setTimeouts(1);
    connect();
    try {
        socket.ReadLine();
        FAIL() << "silence accepted";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ETIMEDOUT);
        EXPECT_EQ(failure.GetErrorMessage(), "Connection timed out");
    }
    EXPECT_FALSE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, AbortRequestedBeforeAWaitThrowsAtOnce)
{
    connect();
    peer.send("data that is ready\n");
    socket.RequestAbort();
    EXPECT_THROW(socket.ReadLine(), CAbortException);
    EXPECT_FALSE(socket.AbortRequested()); // consumed by the wait
    EXPECT_TRUE(socket.IsConnected());     // an abort leaves the socket to its owner
    EXPECT_EQ(socket.ReadLine(), "data that is ready\n");
}

TEST_F(BlockingSocketTest, AbortRequestedDuringAWaitEndsItWithinASlice)
{
    site.setTimeouts(30); // the abort, not the time-out, must end the wait
    connect();
    std::thread aborter([this] {
        // Give the wait a chance to begin; either way the wait must end in an abort.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        socket.RequestAbort();
    });
    char buffer[16];
    EXPECT_THROW(socket.Receive(buffer, sizeof buffer), CAbortException);
    aborter.join();
    EXPECT_TRUE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, WaitOnAClosedSocketFailsAtOnce)
{
    char buffer[16];
    EXPECT_THROW(socket.Receive(buffer, sizeof buffer), CNetException);
    EXPECT_THROW(socket.SendString("x"), CNetException);
}

// A listener on ::1 (as for active mode over IPv6) and a connection to it by
// name and by address: both ends speak IPv6 and name it as text.
TEST_F(BlockingSocketTest, Ipv6ListenerAndConnectionNameTheirAddresses)
{
    if (!test::loopbackIpv6Available())
        GTEST_SKIP() << "no IPv6 on loopback (::1) on this machine";
    socket.Create(false);
    auto [address, port] = socket.Listen("::1");
    EXPECT_EQ(address, "::1");
    BlockingSocket client(site.site);
    client.Create(true);
    client.Connect("::1", port);
    EXPECT_TRUE(client.IsIpv6());
    EXPECT_EQ(client.PeerAddress(), "::1");
    EXPECT_EQ(client.LocalAddress(), "::1");
    client.SendString("over six\n");
    EXPECT_EQ(socket.ReadLine(), "over six\n");
    EXPECT_EQ(socket.PeerAddress(), "::1");
    EXPECT_THROW(BlockingSocket(site.site).Listen("not-an-address"), CNetException);
}

TEST_F(BlockingSocketTest, ListeningSocketAcceptsOnItsFirstSend)
{
    socket.Create(false);
    auto [address, port] = socket.Listen();
    EXPECT_GT(port, 0);
    EXPECT_TRUE(socket.AcceptPending());
    std::string received;
    std::thread server([&] {
        int fd = Peer::connectTo(port);
        ASSERT_GE(fd, 0);
        char buffer[64];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
    });
    socket.SendString("uploaded"); // no receive came first
    EXPECT_FALSE(socket.AcceptPending());
    EXPECT_EQ(socket.PeerAddress(), "127.0.0.1");
    socket.Close();
    server.join();
    EXPECT_EQ(received, "uploaded");
}

TEST_F(BlockingSocketTest, ListeningSocketAcceptsOnItsFirstReceive)
{
    socket.Create(false);
    std::uint16_t port = socket.Listen().second;
    std::thread server([port] {
        int fd = Peer::connectTo(port);
        ::send(fd, "listing\n", 8, MSG_NOSIGNAL);
        ::close(fd);
    });
    EXPECT_EQ(socket.ReadLine(), "listing\n");
    EXPECT_EQ(socket.ReadLine(), "");
    server.join();
}

TEST_F(BlockingSocketTest, ListenerNobodyConnectsToTimesOut)
{
    site.setTimeouts(1);
    socket.Create(false);
    socket.Listen();
    char buffer[16];
    try {
        socket.Receive(buffer, sizeof buffer);
        FAIL() << "accepted a connection nobody made";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ETIMEDOUT);
    }
    EXPECT_FALSE(socket.IsConnected());
}

TEST_F(BlockingSocketTest, CreateAfterCloseStartsAfresh)
{
    connect();
    peer.send("left over\n");
    socket.Close();
    EXPECT_FALSE(socket.IsConnected());
    Peer second;
    socket.Create(true);
    socket.Connect("127.0.0.1", second.port());
    second.accept();
    second.send("fresh\n");
    EXPECT_EQ(socket.ReadLine(), "fresh\n");
}

TEST(NetException, TextIsTheSystemsTextForTheCode)
{
    EXPECT_EQ(CNetException(ETIMEDOUT).GetErrorMessage(), "Connection timed out");
    EXPECT_EQ(CNetException(ECONNRESET).error, ECONNRESET);
    EXPECT_EQ(CNetException(ECONNRESET, "Connection closed by server").GetErrorMessage(),
              "Connection closed by server");
}

// TLS: the handshake waits in the same slices, so a silent server times out
// and an abort is heard; what cannot be TLS fails the handshake clearly.
TEST_F(BlockingSocketTest, TlsHandshakeTimesOutOrStopsOnAbortLikeAnyWait)
{
    site.setTimeouts(1);
    connect();
    auto start = std::chrono::steady_clock::now();
    try {
        socket.StartTls("127.0.0.1");
        FAIL() << "a silent peer completed a handshake";
    } catch (const CNetException& e) {
        EXPECT_EQ(e.error, ETIMEDOUT);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(socket.IsConnected());

    site.setTimeouts(30);
    peer.closeConnection();
    connect();
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        socket.RequestAbort();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_THROW(socket.StartTls("127.0.0.1"), CAbortException);
    user.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(BlockingSocketTest, WhatIsNotTlsFailsTheHandshake)
{
    struct Case {
        const char* peerSends;
        bool readLineFirst;
        int error;
    };
    const Case cases[] = {
        {"234 go ahead\r\nsmuggled\r\n", true, EPROTO},   // bytes before the handshake
        {"500 this is no TLS server at all\r\n", false, EPROTO},
    };
    for (const Case& c : cases) {
        connect();
        ASSERT_TRUE(peer.send(c.peerSends));
        if (c.readLineFirst) {
            EXPECT_EQ(socket.ReadLine(), "234 go ahead\r\n");
        }
        try {
            socket.StartTls("127.0.0.1");
            ADD_FAILURE() << c.peerSends;
        } catch (const CNetException& e) {
            EXPECT_EQ(e.error, c.error) << c.peerSends << e.GetErrorMessage();
        }
        EXPECT_FALSE(socket.IsConnected());
        peer.closeConnection();
    }
}

} // namespace
} // namespace varnix
