#pragma once
// A TCP socket with blocking operations over a non-blocking descriptor.
//
// Every wait is a poll of one second; between slices the socket checks its
// abort flag (settable from any thread) and counts seconds against the site's
// RecvTimeout or SendTimeout, re-read at every slice so that a changed
// setting takes effect during a wait. Failures close the socket and throw
// CNetException; an abort throws CAbortException and leaves it open.
//
// Lines are read through a buffer that belongs to the socket, so bytes past
// a line end are kept for the next ReadLine or Receive.
//
// A socket may carry TLS: at once (StartTls, for a control connection) or
// from its first send or receive (SecureOnFirstUse, for a data connection,
// whose handshake can only start once the server has taken the transfer
// command). The TLS layer never waits by itself; the waits are the same.

#include "net/TlsStream.h"
#include "site/SiteContext.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <sys/socket.h>

namespace varnix {

class BlockingSocket {
public:
    explicit BlockingSocket(SiteHandle site);
    ~BlockingSocket();
    BlockingSocket(const BlockingSocket&) = delete;
    BlockingSocket& operator=(const BlockingSocket&) = delete;

    // Makes ready for Connect or Listen, which open a socket of the family
    // they need.
    void Create(bool noDelay);
    // Tries each address of the host (IPv6 and IPv4) in the resolver's order.
    void Connect(const std::string& host, std::uint16_t port);
    // Starts listening on a numeric local address (for a data connection:
    // the control connection's), on any IPv4 address when none is given;
    // returns the local address text and port.
    std::pair<std::string, std::uint16_t> Listen(const std::string& localAddress = {});
    void SendAll(const char* data, std::size_t length, bool urgent = false);
    // Sends length bytes (no more than the pipe holds) from the read end of
    // a pipe, with no copy through user space, marked as more to follow.
    // False when the socket cannot take them that way (TLS, or a kernel that
    // will not splice); nothing was sent then.
    bool SendFromPipe(int pipeReadEnd, std::size_t length);
    // While corked, small sends are gathered into full segments (over TLS:
    // into full records, which cost far less each than small ones);
    // uncorking sends what is left at once.
    void SetCork(bool corked);
    void SendString(const std::string& text, bool urgent = false);
    // One receive of at most size bytes; 0 when the peer has closed.
    std::size_t Receive(char* buffer, std::size_t size);
    // One move of at most length received bytes into the write end of a
    // pipe, with no copy through user space. Never waits: NothingReady when
    // no data is waiting or the pipe is full, Unsupported when this stream
    // cannot be moved that way (nothing was taken then; use Receive).
    struct SpliceResult {
        enum class State { Moved, NothingReady, Unsupported };
        State state;
        std::size_t count = 0; // bytes moved; 0 with Moved when the peer has closed
    };
    SpliceResult TrySpliceInto(int pipeWriteEnd, std::size_t length);
    // One receive of at most size bytes that never waits: NothingReady when
    // no data is waiting.
    SpliceResult TryReceive(char* buffer, std::size_t size);
    // Up to and including the line feed; at end of stream whatever was left.
    std::string ReadLine();
    // Runs the TLS handshake now on a connected socket. A server that sent
    // anything after the reply that started it is out of step (or someone
    // in between injected it) and fails the call.
    void StartTls(const std::string& host);
    // The first send or receive runs the handshake, offering control's
    // session for resumption; the server must show control's certificate.
    void SecureOnFirstUse(const BlockingSocket& control);
    bool IsSecure() const { return tls_ || tlsPending_; }
    // The TLS layer once its handshake has run; nullptr otherwise.
    const TlsStream* Tls() const { return tls_.get(); }
    // The end of what we send: runs a pending accept or handshake (an empty
    // upload still needs both), sends TLS's close_notify and waits for the
    // server to end the connection. Nothing for a plain socket.
    void FinishSending();
    void RequestAbort() { abortRequested_.store(true); }
    bool AbortRequested() const { return abortRequested_.load(); }
    void ClearAbort() { abortRequested_.store(false); }
    void Close();
    bool IsConnected() const { return fd_ >= 0; }
    bool AcceptPending() const { return acceptPending_; }
    // Local and peer address of a connected socket as numeric text: dotted
    // for IPv4, colons for IPv6 (without brackets).
    std::string LocalAddress() const;
    std::string PeerAddress() const;
    bool IsIpv6() const;

    void WaitReadable();
    void WaitWritable();
    // Runs on the waiting thread once a wait has lasted 20 ms: whatever that
    // thread was holding back (its latest progress) goes out while it sits idle.
    void SetBeforeWait(std::function<void()> hook) { beforeWait_ = std::move(hook); }
    // Seconds a receive may wait beyond RecvTimeout: for a reply the server
    // must work for (the hash of a large file) before it can send anything.
    void SetExtraReceiveWait(std::uint32_t seconds) { extraReceiveWait_ = seconds; }

    // Longest reply or listing line accepted; a longer one is a hostile or
    // broken server and fails the operation instead of exhausting memory.
    static constexpr std::size_t kMaxLine = 64 * 1024;

private:
    void openSocket(int family);
    void bindTo(const sockaddr& address, socklen_t length);
    void connectTo(const sockaddr& address, socklen_t length);
    void wait(bool readable);
    void checkBeforeTrying();
    [[noreturn]] void raise(int error);
    void acceptPendingConnection();
    void prepareForUse();
    void runHandshake();
    void waitFor(TlsStream::Need need);
    void completeTls(TlsStream::Need (TlsStream::*step)());
    void sendTls(const char* data, std::size_t length);
    void sendGathered();
    template <class Call>
    auto tlsCall(Call&& call) -> decltype(call());
    std::uint32_t timeoutSeconds(bool readable) const;
    std::size_t takeBuffered(char* out, std::size_t size);
    std::size_t receiveSome(char* out, std::size_t size);
    SpliceResult receiveNow(char* out, std::size_t size);
    std::size_t fillBuffer();
    std::string takeLine(std::size_t length);

    int fd_ = -1;
    bool noDelay_ = false;
    std::function<void()> beforeWait_;
    std::atomic<bool> abortRequested_{false};
    SiteHandle site_;
    bool acceptPending_ = false;
    std::string buffer_;
    std::size_t bufferStart_ = 0;
    std::unique_ptr<TlsStream> tls_;
    bool tlsPending_ = false;
    std::string tlsHost_;
    TlsSession tlsResume_;
    std::string expectedFingerprint_;
    bool corked_ = false;
    std::string gathered_; // corked TLS sends not yet written
    std::uint32_t extraReceiveWait_ = 0;
};

} // namespace varnix
