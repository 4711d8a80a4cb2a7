#include "support/RawFtpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace varnix::test {
namespace {

int connectTo(const std::string& host, std::uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1)
        throw std::invalid_argument("RawFtpClient: not an IPv4 address: " + host);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const std::string why = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("RawFtpClient: connect " + host + ":" + std::to_string(port) + ": " + why);
    }
    return fd;
}

void sendAll(int fd, const char* data, std::size_t size, int flags = 0)
{
    for (std::size_t at = 0; at < size;) {
        const ssize_t n = ::send(fd, data + at, size - at, flags | MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR)
            throw std::runtime_error(std::string("RawFtpClient: send: ") + std::strerror(errno));
        at += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

bool pollIn(int fd, std::chrono::milliseconds timeout)
{
    pollfd p{fd, POLLIN, 0};
    int r;
    do
        r = ::poll(&p, 1, static_cast<int>(timeout.count()));
    while (r < 0 && errno == EINTR);
    return r > 0;
}

} // namespace

RawFtpClient::RawFtpClient(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
    : m_fd(connectTo(host, port)), m_timeout(timeout)
{
}

RawFtpClient::~RawFtpClient()
{
    ::close(m_fd);
}

void RawFtpClient::waitReadable()
{
    if (!pollIn(m_fd, m_timeout))
        throw std::runtime_error("RawFtpClient: no reply within the timeout");
}

std::string RawFtpClient::readLine()
{
    for (;;) {
        const auto end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end + 1);
            m_buffer.erase(0, end + 1);
            return line;
        }
        waitReadable();
        char buf[4096];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0)
            throw std::runtime_error("RawFtpClient: connection closed mid-reply");
        m_buffer.append(buf, static_cast<std::size_t>(n));
    }
}

std::string RawFtpClient::readReply()
{
    std::string reply = readLine();
    if (reply.size() < 4 || reply[3] != '-')
        return reply;
    const std::string last = reply.substr(0, 3) + " ";
    for (std::string line = readLine();; line = readLine()) {
        reply += line;
        if (line.compare(0, 4, last) == 0)
            return reply;
    }
}

std::string RawFtpClient::command(const std::string& line)
{
    sendRaw(line + "\r\n");
    return readReply();
}

void RawFtpClient::sendRaw(const std::string& bytes)
{
    sendAll(m_fd, bytes.data(), bytes.size());
}

void RawFtpClient::sendUrgent(char byte)
{
    sendAll(m_fd, &byte, 1, MSG_OOB);
}

bool RawFtpClient::login(const std::string& user, const std::string& password)
{
    std::string reply = command("USER " + user);
    if (reply.rfind("3", 0) == 0)
        reply = command("PASS " + password);
    return reply.rfind("230", 0) == 0;
}

std::uint16_t RawFtpClient::passivePort()
{
    const std::string reply = command("PASV");
    unsigned h[4], p[2];
    const auto open = reply.find('(');
    if (reply.rfind("227", 0) != 0 || open == std::string::npos ||
        std::sscanf(reply.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1]) != 6)
        throw std::runtime_error("RawFtpClient: unexpected PASV reply: " + reply);
    return static_cast<std::uint16_t>(p[0] * 256 + p[1]);
}

bool RawFtpClient::waitForClose()
{
    for (;;) {
        if (!pollIn(m_fd, m_timeout))
            return false;
        char buf[4096];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0)
            return true;
        m_buffer.append(buf, static_cast<std::size_t>(n));
    }
}

std::string RawFtpClient::readAll(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout)
{
    const int fd = connectTo(host, port);
    std::string data;
    char buf[65536];
    for (;;) {
        if (!pollIn(fd, timeout)) {
            ::close(fd);
            throw std::runtime_error("RawFtpClient: data connection stalled");
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

void RawFtpClient::writeAll(const std::string& host, std::uint16_t port, const std::string& bytes)
{
    const int fd = connectTo(host, port);
    try {
        sendAll(fd, bytes.data(), bytes.size());
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

} // namespace varnix::test
