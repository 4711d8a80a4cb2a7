// The engine's reply reader against a server that says whatever the input
// says. A loopback listener accepts the engine's control connection, answers
// the login (refusing FEAT, so that no feature changes what follows), then
// sends the input and closes; the engine reads replies with changing digit
// sets (and now and then asks for its working folder) until the connection
// is gone. Every malformed reply must end in a CException, and the reader
// must neither hang nor grow without bound.
//
// Inputs are short, but the limits on a line (64 KiB) and a reply (1 MiB)
// need long streams: the bytes FF FE n in the input stand for n KiB of 'x',
// up to kMaxExpansion in all.

#include "ftp/FtpProtocol.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

using namespace varnix;

namespace {

constexpr std::string_view kLogin = "220 fuzz\r\n331 password\r\n230 in\r\n200 binary\r\n500 FEAT?\r\n";
constexpr std::size_t kMaxExpansion = 2 * 1024 * 1024;

struct DigitSet {
    std::string_view first, second, third;
};

// What the engine's operations ask for, from the loosest to the strictest.
constexpr DigitSet kDigitSets[] = {
    {"23", kAnyDigit, kAnyDigit}, {"2", kAnyDigit, kAnyDigit}, {kAnyDigit, kAnyDigit, kAnyDigit},
    {"1", "5", "0"},              {"2", "5", "7"},             {"3", "5", "0"},
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::string serverStream(std::string_view input)
{
    std::string stream(kLogin);
    std::size_t expanded = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        std::size_t length = i + 2 < input.size() && input.compare(i, 2, "\xff\xfe") == 0
                                 ? std::size_t(static_cast<unsigned char>(input[i + 2])) * 1024 : 0;
        if (length > 0 && expanded + length <= kMaxExpansion) {
            stream.append(length, 'x');
            expanded += length;
            i += 2;
        } else {
            stream += input[i];
        }
    }
    return stream;
}

bool inSet(std::string_view set, char c)
{
    return set.find(c) != std::string_view::npos;
}

// A reply handed on must be one the caller asked for.
void checkReply(const std::string& reply, const DigitSet& digits)
{
    require(reply.size() >= 4 && inSet(digits.first, reply[0]) && inSet(digits.second, reply[1]) &&
            inSet(digits.third, reply[2]));
    require(reply.size() <= 1024 * 1024 + BlockingSocket::kMaxLine);
}

int listenOnLoopback(std::uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    require(fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(fd, 4) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    port = ntohs(address.sin_port);
    return fd;
}

void sendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return;  // the engine gave up on the connection
        bytes.remove_prefix(std::size_t(n));
    }
}

// One connection: the script, then end of stream. The engine's commands are
// read and dropped until it closes, so that no unread byte turns the close
// into a reset that would lose replies still in flight.
void serve(int listener, std::string script)
{
    int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    require(fd >= 0);
    sendAll(fd, script);
    ::shutdown(fd, SHUT_WR);
    char sink[4096];
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
    }
    ::close(fd);
}

void readUntilClosed(FtpProtocol& engine)
{
    for (std::size_t step = 0; engine.IsConnected(); ++step) {
        const DigitSet& digits = kDigitSets[step % std::size(kDigitSets)];
        try {
            if (step % 7 == 6)
                engine.UpdateWorkingDirectory();
            else
                checkReply(engine.ReadReply(digits.first, digits.second, digits.third), digits);
        } catch (const CException& failure) {
            std::string message = failure.GetErrorMessage();
            // To see what an input does: VARNIX_FUZZ_TRACE=1 reply_reader_fuzz FILE
            if (std::getenv("VARNIX_FUZZ_TRACE"))
                std::fprintf(stderr, "step %zu: %.200s\n", step, message.c_str());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static std::uint16_t port = 0;
    static const int listener = listenOnLoopback(port);

    SiteHandle site = makeLocked<SiteContext>("127.0.0.1", std::to_string(port), "fuzz", "fuzz");
    LockedAccess<SiteContext>(site)->settings().setRecvTimeout(1);
    LockedAccess<SiteContext>(site)->settings().setSendTimeout(1);
    // The login script has no answer to AUTH TLS.
    LockedAccess<SiteContext>(site)->settings().setEncryption(std::uint32_t(EncryptionMode::Plain));
    SessionMailbox mailbox;

    std::thread server(serve, listener, serverStream({reinterpret_cast<const char*>(data), size}));
    {
        FtpProtocol engine(&mailbox, site);
        try {
            engine.Connect();
        } catch (const CException&) {
            std::abort();  // the login script is fixed; it must always pass
        }
        readUntilClosed(engine);
    }
    server.join();
    return 0;
}
