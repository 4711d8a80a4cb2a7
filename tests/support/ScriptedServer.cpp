#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace varnix::test {
namespace {

struct Stopped {};

struct ScriptError {
    std::string what;
};

constexpr unsigned char kIac = 255;

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

int listenOnLoopback(int backlog, std::uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in addr = loopback(0);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, backlog) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        const int saved = errno;
        if (fd >= 0)
            ::close(fd);
        throw std::system_error(saved, std::generic_category(), "scripted server listen");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::string asReply(std::string text)
{
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
    return text;
}

// Telnet commands (IAC x, IAC WILL/WONT/DO/DONT opt) are not part of the
// command text; IAC IAC stands for one 0xFF data byte.
std::string stripTelnet(const std::string& line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (static_cast<unsigned char>(line[i]) != kIac) {
            out += line[i];
            continue;
        }
        if (i + 1 >= line.size())
            break;
        const auto next = static_cast<unsigned char>(line[i + 1]);
        if (next == kIac)
            out += line[i];
        i += (next >= 251 && next <= 254) ? 2 : 1;
    }
    return out;
}

std::string errorText(int err)
{
    return std::strerror(err);
}

} // namespace

ScriptedServer::ScriptedServer() : ScriptedServer(Options{}) {}

ScriptedServer::ScriptedServer(Options options) : m_options(options), m_random(options.chunkSeed)
{
    m_listenFd = listenOnLoopback(8, m_port);
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        closeFd(m_listenFd);
        throw std::system_error(errno, std::generic_category(), "scripted server pipe");
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
}

ScriptedServer::~ScriptedServer()
{
    stop();
    closeFd(m_listenFd);
    closeFd(m_wakeRead);
    closeFd(m_wakeWrite);
}

// --- building the script ---

ScriptedServer& ScriptedServer::add(std::string name, std::function<void()> run)
{
    if (m_thread.joinable())
        throw std::logic_error("ScriptedServer: steps must be added before start()");
    m_steps.push_back({std::move(name), std::move(run)});
    return *this;
}

ScriptedServer& ScriptedServer::greet(std::string text)
{
    return add("greet", [this, t = asReply(std::move(text))] { sendControl(t); });
}

ScriptedServer& ScriptedServer::send(std::string bytes)
{
    return add("send", [this, b = std::move(bytes)] { sendControl(b); });
}

ScriptedServer& ScriptedServer::reply(std::string text)
{
    return replyRaw(asReply(std::move(text)));
}

ScriptedServer& ScriptedServer::replyRaw(std::string bytes)
{
    return add("reply", [this, b = std::move(bytes)] {
        nextCommand();
        sendControl(b);
    });
}

ScriptedServer& ScriptedServer::silent()
{
    return add("silent", [this] { nextCommand(); });
}

ScriptedServer& ScriptedServer::closeAfter(std::string partial)
{
    return add("closeAfter", [this, p = std::move(partial)] {
        nextCommand();
        sendControl(p);
        closeControl();
    });
}

ScriptedServer& ScriptedServer::closeNow()
{
    return add("closeNow", [this] { closeControl(); });
}

ScriptedServer& ScriptedServer::expectClose()
{
    return add("expectClose", [this] {
        const auto limit = deadline();
        while (!m_controlEof && m_controlFd >= 0)
            readControl(limit);
    });
}

ScriptedServer& ScriptedServer::reconnect()
{
    return add("reconnect", [this] { acceptControl(); });
}

ScriptedServer& ScriptedServer::pause(std::chrono::milliseconds duration)
{
    return add("pause", [this, duration] { waitFor(-1, 0, Clock::now() + duration); });
}

ScriptedServer& ScriptedServer::replyPasv(std::string prefix, std::string suffix)
{
    return add("replyPasv", [this, prefix = std::move(prefix), suffix = std::move(suffix)] {
        nextCommand();
        openPassiveListener();
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        ::getsockname(m_pasvFd, reinterpret_cast<sockaddr*>(&addr), &len);
        const std::uint16_t port = ntohs(addr.sin_port);
        sendControl(asReply(prefix + "127,0,0,1," + std::to_string(port / 256) + "," +
                            std::to_string(port % 256) + suffix));
    });
}

ScriptedServer& ScriptedServer::replyPort(std::string text)
{
    return add("replyPort", [this, t = asReply(std::move(text))] {
        parsePort(nextCommand());
        sendControl(t);
    });
}

ScriptedServer& ScriptedServer::serveData(std::string data, std::string before, std::string after)
{
    return add("serveData", [this, data = std::move(data), b = asReply(std::move(before)),
                             a = asReply(std::move(after))] {
        nextCommand();
        sendControl(b);
        openData();
        sendData(data);
        closeDataConnection();
        sendControl(a);
    });
}

ScriptedServer& ScriptedServer::serveDataAndHold(std::string data, std::string before)
{
    return add("serveDataAndHold", [this, data = std::move(data), b = asReply(std::move(before))] {
        nextCommand();
        sendControl(b);
        openData();
        sendData(data);
    });
}

ScriptedServer& ScriptedServer::receiveData(std::string before, std::string after)
{
    return add("receiveData", [this, b = asReply(std::move(before)), a = asReply(std::move(after))] {
        nextCommand();
        sendControl(b);
        openData();
        std::string upload = receiveUpload();
        {
            std::lock_guard lock(m_mutex);
            m_uploads.push_back(std::move(upload));
        }
        closeDataConnection();
        sendControl(a);
    });
}

ScriptedServer& ScriptedServer::closeData()
{
    return add("closeData", [this] { closeDataConnection(); });
}

// --- running ---

void ScriptedServer::start()
{
    if (m_thread.joinable())
        throw std::logic_error("ScriptedServer: started twice");
    m_thread = std::thread([this] { runScript(); });
}

void ScriptedServer::stop()
{
    const char byte = 1;
    [[maybe_unused]] auto ignored = ::write(m_wakeWrite, &byte, 1);
    if (m_thread.joinable())
        m_thread.join();
}

bool ScriptedServer::waitDone(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_doneChanged.wait_for(lock, limit, [this] { return m_done; });
}

void ScriptedServer::runScript()
{
    try {
        acceptControl();
        runSteps();
    } catch (const Stopped&) {
    } catch (const ScriptError& e) {
        fail("accepting the control connection: " + e.what);
    }
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_doneChanged.notify_all();
    try {
        drainAfterScript();
    } catch (const Stopped&) {
    } catch (const ScriptError&) {
    }
    closeFd(m_controlFd);
    closeFd(m_dataFd);
    closeFd(m_pasvFd);
}

void ScriptedServer::runSteps()
{
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
        try {
            m_steps[i].run();
        } catch (const ScriptError& e) {
            fail("step " + std::to_string(i + 1) + " (" + m_steps[i].name + "): " + e.what);
            return;
        }
    }
}

void ScriptedServer::drainAfterScript()
{
    while (m_controlFd >= 0 && !m_controlEof)
        readControl(Clock::time_point::max());
}

void ScriptedServer::fail(const std::string& why)
{
    std::lock_guard lock(m_mutex);
    if (m_failure.empty())
        m_failure = why;
}

// --- waiting ---

// Waits for `events` on fd (or only for the deadline with fd < 0); throws
// Stopped when stop() is called and ScriptError at the deadline.
short ScriptedServer::waitFor(int fd, short events, Clock::time_point limit)
{
    pollfd p[2] = {{m_wakeRead, POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    for (;;) {
        int ms = -1;
        if (limit != Clock::time_point::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - Clock::now());
            ms = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
        }
        const int r = ::poll(p, count, ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (p[0].revents)
            throw Stopped{};
        if (r > 0)
            return p[1].revents;
        if (fd < 0)
            return 0; // a pause that ran its course
        throw ScriptError{"timed out after " + std::to_string(m_options.timeout.count()) + " ms"};
    }
}

// --- control connection ---

void ScriptedServer::acceptControl()
{
    waitFor(m_listenFd, POLLIN, deadline());
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        throw ScriptError{"accept: " + errorText(errno)};
    closeFd(m_controlFd);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_controlFd = fd;
    m_controlEof = false;
    m_lineBuffer.clear();
    std::lock_guard lock(m_mutex);
    ++m_connections;
}

// A half close: the client sees end of file at once, and whatever it still
// sends is recorded rather than answered with a reset.
void ScriptedServer::closeControl()
{
    if (m_controlFd >= 0)
        ::shutdown(m_controlFd, SHUT_WR);
}

std::string ScriptedServer::nextCommand()
{
    const auto limit = deadline();
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_commandsTaken < m_commands.size())
                return m_commands[m_commandsTaken++];
        }
        if (m_controlFd < 0 || m_controlEof)
            throw ScriptError{"the client closed the connection instead of sending a command"};
        readControl(limit);
    }
}

bool ScriptedServer::readControl(Clock::time_point limit)
{
    const short ev = waitFor(m_controlFd, POLLIN | POLLPRI, limit);
    // The urgent byte must be taken at its mark: a plain read would step over it.
    if ((ev & POLLPRI) && ::sockatmark(m_controlFd) == 1) {
        takeUrgentByte();
        return true;
    }
    char buf[4096];
    const ssize_t n = ::recv(m_controlFd, buf, sizeof buf, 0);
    if (n > 0) {
        appendReceived(buf, static_cast<std::size_t>(n), false);
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    m_controlEof = true;
    return false;
}

void ScriptedServer::takeUrgentByte()
{
    char byte = 0;
    if (::recv(m_controlFd, &byte, 1, MSG_OOB) == 1)
        appendReceived(&byte, 1, true);
}

void ScriptedServer::appendReceived(const char* data, std::size_t n, bool urgent)
{
    std::lock_guard lock(m_mutex);
    m_raw.append(data, n);
    if (urgent)
        m_urgent.append(data, n);
    m_lineBuffer.append(data, n);
    for (std::size_t end; (end = m_lineBuffer.find('\n')) != std::string::npos;) {
        std::string line = m_lineBuffer.substr(0, end);
        m_lineBuffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_commands.push_back(stripTelnet(line));
    }
}

void ScriptedServer::sendControl(const std::string& bytes)
{
    if (bytes.empty())
        return;
    if (m_options.replyDelay.count() > 0)
        waitFor(-1, 0, Clock::now() + m_options.replyDelay);
    if (m_controlFd < 0 || !sendPieces(m_controlFd, bytes, m_options.chunkSeed != 0))
        throw ScriptError{"the client closed the connection before the reply was sent"};
}

// False when the peer has gone away; other failures end the script.
bool ScriptedServer::sendPieces(int fd, const std::string& bytes, bool chunked)
{
    std::uniform_int_distribution<std::size_t> pieceSize(1, std::max<std::size_t>(1, m_options.maxChunk));
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t want = chunked ? std::min(pieceSize(m_random), bytes.size() - at) : bytes.size() - at;
        for (std::size_t sent = 0; sent < want;) {
            waitFor(fd, POLLOUT, deadline());
            const ssize_t n = ::send(fd, bytes.data() + at + sent, want - sent, MSG_NOSIGNAL);
            if (n >= 0)
                sent += static_cast<std::size_t>(n);
            else if (errno == EPIPE || errno == ECONNRESET)
                return false;
            else if (errno != EAGAIN && errno != EINTR)
                throw ScriptError{"send: " + errorText(errno)};
        }
        at += want;
        if (chunked && at < bytes.size() && m_options.chunkGap.count() > 0)
            waitFor(-1, 0, Clock::now() + m_options.chunkGap);
    }
    return true;
}

// --- data connection ---

void ScriptedServer::openPassiveListener()
{
    closeFd(m_pasvFd);
    m_portTarget.reset();
    std::uint16_t port = 0;
    try {
        m_pasvFd = listenOnLoopback(1, port);
    } catch (const std::system_error& e) {
        throw ScriptError{e.what()};
    }
}

void ScriptedServer::parsePort(const std::string& command)
{
    unsigned h[4], p[2];
    char tail = 0;
    if (std::sscanf(command.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &h[0], &h[1], &h[2], &h[3], &p[0], &p[1],
                    &tail) != 6 ||
        h[0] > 255 || h[1] > 255 || h[2] > 255 || h[3] > 255 || p[0] > 255 || p[1] > 255)
        throw ScriptError{"not a PORT command: \"" + command + "\""};
    closeFd(m_pasvFd);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(p[0] * 256 + p[1]));
    addr.sin_addr.s_addr = htonl(h[0] << 24 | h[1] << 16 | h[2] << 8 | h[3]);
    m_portTarget = addr;
}

void ScriptedServer::openData()
{
    closeFd(m_dataFd);
    if (m_pasvFd >= 0) {
        waitFor(m_pasvFd, POLLIN, deadline());
        m_dataFd = ::accept4(m_pasvFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        closeFd(m_pasvFd);
        if (m_dataFd < 0)
            throw ScriptError{"data accept: " + errorText(errno)};
        return;
    }
    if (!m_portTarget)
        throw ScriptError{"no PASV or PORT came before the data command"};
    const sockaddr_in target = *m_portTarget;
    m_portTarget.reset();
    m_dataFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (::connect(m_dataFd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0 &&
        errno != EINPROGRESS)
        throw ScriptError{"data connect: " + errorText(errno)};
    waitFor(m_dataFd, POLLOUT, deadline());
    int err = 0;
    socklen_t len = sizeof err;
    ::getsockopt(m_dataFd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err != 0)
        throw ScriptError{"data connect: " + errorText(err)};
}

// A client that closes the data connection early (an abort) is no failure.
void ScriptedServer::sendData(const std::string& data)
{
    sendPieces(m_dataFd, data, m_options.chunkData);
}

std::string ScriptedServer::receiveUpload()
{
    std::string upload;
    char buf[65536];
    for (;;) {
        waitFor(m_dataFd, POLLIN, deadline());
        const ssize_t n = ::recv(m_dataFd, buf, sizeof buf, 0);
        if (n > 0)
            upload.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return upload;
    }
}

void ScriptedServer::closeDataConnection()
{
    closeFd(m_dataFd);
}

// --- results ---

std::vector<std::string> ScriptedServer::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::string ScriptedServer::rawReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_raw;
}

std::string ScriptedServer::urgentBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_urgent;
}

std::vector<std::string> ScriptedServer::uploads() const
{
    std::lock_guard lock(m_mutex);
    return m_uploads;
}

std::string ScriptedServer::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

int ScriptedServer::connectionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_connections;
}

bool ScriptedServer::done() const
{
    std::lock_guard lock(m_mutex);
    return m_done;
}

} // namespace varnix::test
