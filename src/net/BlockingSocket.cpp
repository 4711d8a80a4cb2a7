#include "net/BlockingSocket.h"

#include "net/Exceptions.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace varnix {

namespace {

// Bytes asked of the kernel per read of a line; lines are short, listings long.
constexpr std::size_t kLineChunk = 4096;
constexpr int kIdleMilliseconds = 20;
// Corked TLS sends go out in writes of this size: four full records.
constexpr std::size_t kTlsGather = 64 * 1024;
constexpr int kSliceMilliseconds = 1000;
// What a socket without a site waits, the settings' own default.
constexpr std::uint32_t kDefaultTimeout = 60;

// A readiness report that turned out stale; wait again.
bool isRetryable(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// Numeric text of an IPv4 or IPv6 address; "" for any other family.
std::string addressText(const sockaddr_storage& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = nullptr;
    if (address.ss_family == AF_INET)
        raw = &reinterpret_cast<const sockaddr_in&>(address).sin_addr;
    else if (address.ss_family == AF_INET6)
        raw = &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    if (!raw || !inet_ntop(address.ss_family, raw, text, sizeof text))
        return {};
    return text;
}

std::uint16_t portOf(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

int pendingError(int fd)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return errno;
    return error;
}

using AddressList = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// Every address of a host name, IPv6 and IPv4, in the resolver's order of
// preference; throws the resolver's code. flags: AI_NUMERICHOST where only
// an address may be given.
AddressList resolveHost(const std::string& host, std::uint16_t port, int flags = 0)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int code = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (code == EAI_SYSTEM)
        throw CNetException(errno);
    if (code != 0)
        throw CNetException(code, gai_strerror(code));
    if (!found)
        throw CNetException(EAI_NONAME, gai_strerror(EAI_NONAME));
    return AddressList(found, &freeaddrinfo);
}

} // namespace

BlockingSocket::BlockingSocket(SiteHandle site) : site_(std::move(site))
{
}

BlockingSocket::~BlockingSocket()
{
    Close();
}

// The descriptor itself waits for Connect or Listen, which know the family.
void BlockingSocket::Create(bool noDelay)
{
    Close();
    noDelay_ = noDelay;
}

void BlockingSocket::Connect(const std::string& host, std::uint16_t port)
{
    AddressList addresses(nullptr, &freeaddrinfo);
    try {
        addresses = resolveHost(host, port);
    } catch (const CNetException&) {
        Close();
        throw;
    }
    // A host with several addresses is reachable if any of them is; the
    // failure reported is that of the last one tried.
    for (const addrinfo* a = addresses.get();; a = a->ai_next) {
        try {
            return connectTo(*a->ai_addr, a->ai_addrlen);
        } catch (const CNetException&) {
            if (!a->ai_next)
                throw;
        }
    }
}

std::pair<std::string, std::uint16_t> BlockingSocket::Listen(const std::string& localAddress)
{
    if (localAddress.empty()) {
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        openSocket(AF_INET);
        bindTo(reinterpret_cast<const sockaddr&>(any), sizeof any);
    } else {
        AddressList address = resolveHost(localAddress, 0, AI_NUMERICHOST | AI_PASSIVE);
        openSocket(address->ai_family);
        bindTo(*address->ai_addr, address->ai_addrlen);
    }
    if (::listen(fd_, 5) != 0)
        raise(errno);
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        raise(errno);
    acceptPending_ = true;
    return {addressText(local), portOf(local)};
}

void BlockingSocket::openSocket(int family)
{
    Close();
    fd_ = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        raise(errno);
    int flag = noDelay_ ? 1 : 0;
    if (setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &flag, sizeof flag) != 0)
        raise(errno);
}

void BlockingSocket::bindTo(const sockaddr& address, socklen_t length)
{
    if (::bind(fd_, &address, length) != 0)
        raise(errno);
}

void BlockingSocket::connectTo(const sockaddr& address, socklen_t length)
{
    openSocket(address.sa_family);
    if (::connect(fd_, &address, length) != 0 && errno != EINPROGRESS && errno != EINTR)
        raise(errno);
    WaitWritable();
    if (int error = pendingError(fd_))
        raise(error);
}

void BlockingSocket::SendAll(const char* data, std::size_t length, bool urgent)
{
    prepareForUse();
    if (tls_) {
        // TLS has no urgent data: everything goes in the one stream.
        if (!corked_)
            return sendTls(data, length);
        gathered_.append(data, length);
        if (gathered_.size() >= kTlsGather)
            sendGathered();
        return;
    }
    // MSG_NOSIGNAL: a peer that has gone must fail the send, not kill the process.
    const int flags = MSG_NOSIGNAL | (urgent ? MSG_OOB : 0);
    std::size_t sent = 0;
    while (sent < length) {
        checkBeforeTrying();
        ssize_t n = ::send(fd_, data + sent, length - sent, flags);
        if (n >= 0)
            sent += static_cast<std::size_t>(n);
        else if (!isRetryable(errno))
            raise(errno);
        else
            WaitWritable();
    }
}

bool BlockingSocket::SendFromPipe(int pipeReadEnd, std::size_t length)
{
    // Encrypting needs the bytes in user space.
    if (IsSecure())
        return false;
    prepareForUse();
    std::size_t sent = 0;
    while (sent < length) {
        checkBeforeTrying();
        ssize_t n = ::splice(pipeReadEnd, nullptr, fd_, nullptr, length - sent,
                             SPLICE_F_MOVE | SPLICE_F_MORE | SPLICE_F_NONBLOCK);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else if (n < 0 && sent == 0 && (errno == EINVAL || errno == ENOSYS))
            return false;
        else if (n == 0 || !isRetryable(errno))
            raise(n == 0 ? EPIPE : errno);
        else
            WaitWritable(); // the pipe holds the bytes: it is the socket that is full
    }
    return true;
}

void BlockingSocket::SetCork(bool corked)
{
    prepareForUse();
    if (tls_) {
        corked_ = corked;
        if (!corked)
            sendGathered();
        return;
    }
    int flag = corked ? 1 : 0;
    // Only an optimisation: a socket that refuses it still sends everything.
    (void)setsockopt(fd_, IPPROTO_TCP, TCP_CORK, &flag, sizeof flag);
}

void BlockingSocket::SendString(const std::string& text, bool urgent)
{
    SendAll(text.data(), text.size(), urgent);
}

std::size_t BlockingSocket::Receive(char* buffer, std::size_t size)
{
    prepareForUse();
    if (size == 0)
        return 0;
    if (bufferStart_ < buffer_.size())
        return takeBuffered(buffer, size);
    return receiveSome(buffer, size);
}

BlockingSocket::SpliceResult BlockingSocket::TrySpliceInto(int pipeWriteEnd, std::size_t length)
{
    using State = SpliceResult::State;
    if (IsSecure())
        return {State::Unsupported};
    prepareForUse();
    // Bytes already read for a line come before anything still in the kernel.
    if (bufferStart_ < buffer_.size())
        return {State::Unsupported};
    for (;;) {
        checkBeforeTrying();
        ssize_t n = ::splice(fd_, nullptr, pipeWriteEnd, nullptr, length, SPLICE_F_MOVE | SPLICE_F_NONBLOCK);
        if (n >= 0)
            return {State::Moved, static_cast<std::size_t>(n)};
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {State::NothingReady};
        if (errno == EINVAL || errno == ENOSYS)
            return {State::Unsupported};
        if (errno != EINTR)
            raise(errno);
    }
}

BlockingSocket::SpliceResult BlockingSocket::TryReceive(char* buffer, std::size_t size)
{
    prepareForUse();
    if (bufferStart_ < buffer_.size())
        return {SpliceResult::State::Moved, takeBuffered(buffer, size)};
    return receiveNow(buffer, size);
}

void BlockingSocket::StartTls(const std::string& host)
{
    // Bytes that came before the handshake were never protected, yet would
    // be read as if they were.
    if (bufferStart_ < buffer_.size()) {
        Close();
        throw CNetException(EPROTO, "Server sent data before the TLS handshake");
    }
    tlsHost_ = host;
    tlsResume_.reset();
    expectedFingerprint_.clear();
    runHandshake();
}

void BlockingSocket::SecureOnFirstUse(const BlockingSocket& control)
{
    tlsPending_ = true;
    tlsHost_ = control.tlsHost_;
    tlsResume_ = control.tls_ ? control.tls_->session() : TlsSession();
    expectedFingerprint_ = control.tls_ ? control.tls_->fingerprint() : std::string();
}

void BlockingSocket::FinishSending()
{
    if (!IsSecure())
        return;
    prepareForUse();
    sendGathered();
    corked_ = false;
    completeTls(&TlsStream::shutdown);
    // The server may not have read all we sent yet. Closing now, with its
    // own close_notify arriving unread, would reset the connection, and a
    // reset can cost it the data still in its buffers. So the end comes from
    // its side; our FIN tells one that ignores close_notify that we are done.
    (void)::shutdown(fd_, SHUT_WR);
    char discard[512];
    try {
        while (receiveSome(discard, sizeof discard) != 0) {
        }
    } catch (const CNetException&) {
        // Everything was sent; the final reply says whether it all arrived.
    }
}

std::string BlockingSocket::ReadLine()
{
    prepareForUse();
    std::size_t searched = 0;
    for (;;) {
        std::string_view pending = std::string_view(buffer_).substr(bufferStart_);
        std::size_t end = pending.find('\n', searched);
        if (end != std::string_view::npos && end < kMaxLine)
            return takeLine(end + 1);
        if (pending.size() >= kMaxLine) {
            // The peer is out of step with us or hostile; nothing later on
            // this stream can be trusted to start at a line boundary.
            Close();
            throw CFTPException("Server sent a line longer than " + std::to_string(kMaxLine) + " bytes");
        }
        searched = pending.size();
        if (fillBuffer() == 0)
            return takeLine(pending.size());
    }
}

void BlockingSocket::Close()
{
    if (tls_) {
        // A polite close_notify if it fits at once; nobody waits for it.
        (void)tls_->shutdown();
        tls_.reset();
    }
    tlsPending_ = false;
    tlsResume_.reset();
    corked_ = false;
    gathered_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    acceptPending_ = false;
    buffer_.clear();
    bufferStart_ = 0;
}

std::string BlockingSocket::LocalAddress() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (fd_ < 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return addressText(address);
}

std::string BlockingSocket::PeerAddress() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (fd_ < 0 || getpeername(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return addressText(address);
}

bool BlockingSocket::IsIpv6() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return fd_ >= 0 && getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_INET6;
}

void BlockingSocket::WaitReadable()
{
    wait(true);
}

void BlockingSocket::WaitWritable()
{
    wait(false);
}

void BlockingSocket::wait(bool readable)
{
    // poll ignores a negative descriptor and would just sit out the time-out.
    if (fd_ < 0)
        raise(ENOTCONN);
    // A stream that is only briefly empty is not idle: the hook runs once the
    // wait has lasted a moment, not at every pause of a busy transfer.
    bool idle = !beforeWait_;
    for (std::uint32_t slices = 0;;) {
        if (abortRequested_.exchange(false))
            throw CAbortException();
        pollfd entry{fd_, static_cast<short>(readable ? POLLIN : POLLOUT), 0};
        int ready = ::poll(&entry, 1, idle ? kSliceMilliseconds : kIdleMilliseconds);
        if (ready == 0 && !idle) {
            idle = true;
            beforeWait_();
            continue;
        }
        if (ready < 0 && errno != EINTR)
            raise(errno);
        if (ready > 0) {
            if (entry.revents & POLLNVAL)
                raise(EBADF);
            if (entry.revents & POLLERR) {
                int error = pendingError(fd_);
                raise(error != 0 ? error : EIO);
            }
            return;
        }
        // The limit is read anew at every slice so that a changed setting
        // takes effect during a long wait.
        if (ready == 0 && ++slices >= timeoutSeconds(readable))
            raise(ETIMEDOUT);
    }
}

// The call is tried before any wait (a busy stream is rarely idle), so the
// checks a wait would make come first.
void BlockingSocket::checkBeforeTrying()
{
    if (fd_ < 0)
        raise(ENOTCONN);
    if (abortRequested_.load(std::memory_order_relaxed) && abortRequested_.exchange(false))
        throw CAbortException();
}

void BlockingSocket::raise(int error)
{
    Close();
    throw CNetException(error);
}

void BlockingSocket::acceptPendingConnection()
{
    for (;;) {
        WaitReadable();
        int accepted = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted >= 0) {
            ::close(fd_);
            fd_ = accepted;
            acceptPending_ = false;
            return;
        }
        // A connection reset between poll and accept is gone; wait for the next.
        if (!isRetryable(errno) && errno != ECONNABORTED)
            raise(errno);
    }
}

void BlockingSocket::prepareForUse()
{
    if (acceptPending_)
        acceptPendingConnection();
    if (!tlsPending_)
        return;
    tlsPending_ = false;
    runHandshake();
    // Someone else may have connected to the port the server opened for us.
    if (!expectedFingerprint_.empty() && tls_->fingerprint() != expectedFingerprint_) {
        Close();
        throw CNetException(EPROTO, "The data connection's certificate is not the one of the control connection");
    }
}

void BlockingSocket::runHandshake()
{
    tls_ = tlsCall([&] { return std::make_unique<TlsStream>(fd_, tlsHost_, tlsResume_); });
    completeTls(&TlsStream::handshake);
}

// Repeats a TLS step that may need the socket ready until it is done.
void BlockingSocket::completeTls(TlsStream::Need (TlsStream::*step)())
{
    for (;;) {
        checkBeforeTrying();
        TlsStream::Need need = tlsCall([&] { return (tls_.get()->*step)(); });
        if (need == TlsStream::Need::Nothing)
            return;
        waitFor(need);
    }
}

void BlockingSocket::sendTls(const char* data, std::size_t length)
{
    for (std::size_t sent = 0; sent < length;) {
        checkBeforeTrying();
        TlsStream::Io io = tlsCall([&] { return tls_->write(data + sent, length - sent); });
        sent += io.count;
        waitFor(io.need);
    }
}

void BlockingSocket::sendGathered()
{
    if (gathered_.empty())
        return;
    sendTls(gathered_.data(), gathered_.size());
    gathered_.clear();
}

void BlockingSocket::waitFor(TlsStream::Need need)
{
    if (need == TlsStream::Need::Read)
        WaitReadable();
    else if (need == TlsStream::Need::Write)
        WaitWritable();
}

template <class Call>
auto BlockingSocket::tlsCall(Call&& call) -> decltype(call())
{
    try {
        return call();
    } catch (const CNetException&) {
        Close();
        throw;
    }
}

std::uint32_t BlockingSocket::timeoutSeconds(bool readable) const
{
    if (!site_)
        return kDefaultTimeout + (readable ? extraReceiveWait_ : 0);
    LockedAccess<SiteContext> site(site_);
    const SettingsRecord& settings = site->settings();
    return readable ? settings.recvTimeout() + extraReceiveWait_ : settings.sendTimeout();
}

std::size_t BlockingSocket::takeBuffered(char* out, std::size_t size)
{
    std::size_t count = std::min(size, buffer_.size() - bufferStart_);
    buffer_.copy(out, count, bufferStart_);
    bufferStart_ += count;
    if (bufferStart_ == buffer_.size()) {
        buffer_.clear();
        bufferStart_ = 0;
    }
    return count;
}

std::size_t BlockingSocket::receiveSome(char* out, std::size_t size)
{
    for (;;) {
        SpliceResult received = receiveNow(out, size);
        if (received.state == SpliceResult::State::Moved)
            return received.count;
        WaitReadable();
    }
}

// One receive that waits only while TLS must send before it can read.
BlockingSocket::SpliceResult BlockingSocket::receiveNow(char* out, std::size_t size)
{
    using State = SpliceResult::State;
    for (;;) {
        checkBeforeTrying();
        if (tls_) {
            TlsStream::Io io = tlsCall([&] { return tls_->read(out, size); });
            if (io.need == TlsStream::Need::Nothing)
                return {State::Moved, io.count};
            if (io.need == TlsStream::Need::Read)
                return {State::NothingReady};
            WaitWritable();
            continue;
        }
        ssize_t n = ::recv(fd_, out, size, 0);
        if (n >= 0)
            return {State::Moved, static_cast<std::size_t>(n)};
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {State::NothingReady};
        if (errno != EINTR)
            raise(errno);
    }
}

std::size_t BlockingSocket::fillBuffer()
{
    char chunk[kLineChunk];
    std::size_t count = receiveSome(chunk, sizeof chunk);
    buffer_.erase(0, bufferStart_);
    bufferStart_ = 0;
    buffer_.append(chunk, count);
    return count;
}

std::string BlockingSocket::takeLine(std::size_t length)
{
    std::string line = buffer_.substr(bufferStart_, length);
    bufferStart_ += length;
    if (bufferStart_ == buffer_.size()) {
        buffer_.clear();
        bufferStart_ = 0;
    }
    return line;
}

} // namespace varnix
