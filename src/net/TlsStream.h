#pragma once
// The client end of one TLS connection over a non-blocking descriptor that
// the caller owns and waits on.
//
// No call here ever waits: each does what it can and says what it needs
// next (the descriptor readable or writable), and BlockingSocket does the
// waiting in its one-second slices, so the abort flag and the time-outs hold
// over TLS exactly as without it. Failures throw CNetException (EPROTO with
// the library's reason for protocol errors).
//
// The peer's certificate is checked against the system's trust store and the
// host name during the handshake, but a failed check does not end the
// handshake: the caller decides, with the certificate in hand.

#include "net/CertificateCheck.h"

#include <cstddef>
#include <memory>
#include <string>

struct ssl_st;
struct ssl_session_st;

namespace varnix {

// A session of an earlier connection, offered again so that the server can
// resume it (FTP servers insist on that for data connections).
using TlsSession = std::shared_ptr<ssl_session_st>;

// Frees what the TLS library keeps for the calling thread. A thread that
// used TLS calls it as its last act before it counts as ended: left to the
// library's own thread-exit hook, that state can be freed a second time by
// the library's clean-up at program exit, which runs as soon as the last
// session is counted ended.
void endTlsOnThisThread();

class TlsStream {
public:
    enum class Need { Nothing, Read, Write };
    // count 0 with Need::Nothing: the peer has closed the stream.
    struct Io {
        std::size_t count = 0;
        Need need = Need::Nothing;
    };

    // host names the server for the name check and, unless it is an
    // address, for SNI. resume may be empty.
    TlsStream(int fd, const std::string& host, const TlsSession& resume);
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    Need handshake();
    Io read(char* out, std::size_t size);
    Io write(const char* data, std::size_t size);
    // Sends our close_notify; Need::Nothing once it has gone out.
    Need shutdown();
    // True while bytes already decrypted wait to be read.
    bool pending() const;

    // After the handshake:
    bool trusted() const;                 // chain and host name both check out
    CertificateInfo peerCertificate() const;
    // The peer certificate's SHA-256 fingerprint; "" when there is none.
    std::string fingerprint() const;
    TlsSession session() const;
    bool resumed() const;
    std::string description() const;     // "TLSv1.3, TLS_AES_256_GCM_SHA384"

private:
    Need needOf(int result, const char* what);
    [[noreturn]] void fail(int error, const char* what);

    ssl_st* ssl_;
    bool broken_ = false;
};

} // namespace varnix
