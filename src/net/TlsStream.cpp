#include "net/TlsStream.h"

#include "net/Exceptions.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

namespace varnix {
namespace {

// One read from the kernel takes in several records where they have come.
constexpr std::size_t kReadBuffer = 64 * 1024;

// The library's socket BIO writes with write(), which raises SIGPIPE on a
// connection the peer has closed. This one is the same but sends with
// MSG_NOSIGNAL, so a dead peer fails the call instead of ending the process.
int sendWithoutSignal(BIO* bio, const char* data, int length)
{
    int fd = -1;
    BIO_get_fd(bio, &fd);
    BIO_clear_retry_flags(bio);
    ssize_t sent = ::send(fd, data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

BIO_METHOD* socketMethod()
{
    static BIO_METHOD* method = [] {
        const BIO_METHOD* plain = BIO_s_socket();
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK | BIO_TYPE_DESCRIPTOR,
                                     "varnix socket");
        BIO_meth_set_write(m, sendWithoutSignal);
        BIO_meth_set_read(m, BIO_meth_get_read(plain));
        BIO_meth_set_puts(m, BIO_meth_get_puts(plain));
        BIO_meth_set_ctrl(m, BIO_meth_get_ctrl(plain));
        BIO_meth_set_create(m, BIO_meth_get_create(plain));
        BIO_meth_set_destroy(m, BIO_meth_get_destroy(plain));
        return m;
    }();
    return method;
}

// One context for the process: the trust store is loaded once, and the
// context is safe to share between the sessions' threads.
SSL_CTX* clientContext()
{
    static SSL_CTX* context = [] {
        SSL_CTX* c = SSL_CTX_new(TLS_client_method());
        if (!c)
            return c;
        SSL_CTX_set_min_proto_version(c, TLS1_2_VERSION);
        (void)SSL_CTX_set_default_verify_paths(c);
        // The chain and the name are still checked; the handshake just does
        // not stop at a failed check, so that the user can be shown what the
        // server presented and decide.
        SSL_CTX_set_verify(c, SSL_VERIFY_NONE, nullptr);
        // Data connections end with a bare close from many servers; the
        // transfer's final reply is what says the data was complete.
        SSL_CTX_set_options(c, SSL_OP_IGNORE_UNEXPECTED_EOF);
        SSL_CTX_set_mode(c, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        SSL_CTX_set_read_ahead(c, 1);
        SSL_CTX_set_default_read_buffer_len(c, kReadBuffer);
        return c;
    }();
    return context;
}

bool isAddress(const std::string& host)
{
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

std::string nameText(const X509_NAME* name)
{
    BIO* out = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(out, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* bytes = nullptr;
    long length = BIO_get_mem_data(out, &bytes);
    std::string text(bytes, static_cast<std::size_t>(length > 0 ? length : 0));
    BIO_free(out);
    return text;
}

std::string timeText(const ASN1_TIME* time)
{
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

std::string sha256Fingerprint(const X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        return {};
    std::string text;
    char pair[4];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, i ? ":%02X" : "%02X", digest[i]);
        text += pair;
    }
    return text;
}

std::string libraryReason()
{
    unsigned long code = ERR_get_error();
    const char* reason = code ? ERR_reason_error_string(code) : nullptr;
    ERR_clear_error();
    return reason ? reason : "failed";
}

} // namespace

void endTlsOnThisThread()
{
    OPENSSL_thread_stop();
}

TlsStream::TlsStream(int fd, const std::string& host, const TlsSession& resume)
    : ssl_(clientContext() ? SSL_new(clientContext()) : nullptr)
{
    if (!ssl_)
        throw CNetException(ENOMEM, "TLS: " + libraryReason());
    BIO* bio = BIO_new(socketMethod());
    BIO_set_fd(bio, fd, BIO_NOCLOSE);
    SSL_set_bio(ssl_, bio, bio);
    if (isAddress(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, host.c_str());
        SSL_set1_host(ssl_, host.c_str());
    }
    if (resume)
        SSL_set_session(ssl_, resume.get());
}

TlsStream::~TlsStream()
{
    SSL_free(ssl_);
}

TlsStream::Need TlsStream::handshake()
{
    ERR_clear_error();
    int result = SSL_connect(ssl_);
    return result == 1 ? Need::Nothing : needOf(result, "TLS handshake");
}

TlsStream::Io TlsStream::read(char* out, std::size_t size)
{
    ERR_clear_error();
    int result = SSL_read(ssl_, out, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    if (result > 0)
        return {static_cast<std::size_t>(result), Need::Nothing};
    if (SSL_get_error(ssl_, result) == SSL_ERROR_ZERO_RETURN)
        return {0, Need::Nothing};
    return {0, needOf(result, "TLS receive")};
}

TlsStream::Io TlsStream::write(const char* data, std::size_t size)
{
    ERR_clear_error();
    int result = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    if (result > 0)
        return {static_cast<std::size_t>(result), Need::Nothing};
    return {0, needOf(result, "TLS send")};
}

TlsStream::Need TlsStream::shutdown()
{
    if (broken_ || !SSL_is_init_finished(ssl_))
        return Need::Nothing;
    ERR_clear_error();
    int result = SSL_shutdown(ssl_);
    if (result >= 0)
        return Need::Nothing;
    int error = SSL_get_error(ssl_, result);
    ERR_clear_error();
    // Whatever else goes wrong here, the data has gone; the close does the rest.
    return error == SSL_ERROR_WANT_WRITE ? Need::Write : Need::Nothing;
}

bool TlsStream::pending() const
{
    return SSL_has_pending(ssl_) != 0;
}

bool TlsStream::trusted() const
{
    return SSL_get0_peer_certificate(ssl_) && SSL_get_verify_result(ssl_) == X509_V_OK;
}

CertificateInfo TlsStream::peerCertificate() const
{
    CertificateInfo info;
    const X509* certificate = SSL_get0_peer_certificate(ssl_);
    if (!certificate) {
        info.problem = "the server sent no certificate";
        return info;
    }
    info.subject = nameText(X509_get_subject_name(certificate));
    info.issuer = nameText(X509_get_issuer_name(certificate));
    info.validFrom = timeText(X509_get0_notBefore(certificate));
    info.validUntil = timeText(X509_get0_notAfter(certificate));
    info.fingerprint = sha256Fingerprint(certificate);
    long result = SSL_get_verify_result(ssl_);
    if (result != X509_V_OK)
        info.problem = X509_verify_cert_error_string(result);
    return info;
}

std::string TlsStream::fingerprint() const
{
    const X509* certificate = SSL_get0_peer_certificate(ssl_);
    return certificate ? sha256Fingerprint(certificate) : std::string();
}

TlsSession TlsStream::session() const
{
    SSL_SESSION* session = SSL_get1_session(ssl_);
    return session ? TlsSession(session, SSL_SESSION_free) : TlsSession();
}

bool TlsStream::resumed() const
{
    return SSL_session_reused(ssl_) == 1;
}

std::string TlsStream::description() const
{
    return std::string(SSL_get_version(ssl_)) + ", " + SSL_get_cipher_name(ssl_);
}

TlsStream::Need TlsStream::needOf(int result, const char* what)
{
    const int savedErrno = errno;
    switch (SSL_get_error(ssl_, result)) {
    case SSL_ERROR_WANT_READ:
        return Need::Read;
    case SSL_ERROR_WANT_WRITE:
        return Need::Write;
    case SSL_ERROR_SYSCALL:
        errno = savedErrno;
        fail(SSL_ERROR_SYSCALL, what);
    default:
        fail(SSL_ERROR_SSL, what);
    }
}

void TlsStream::fail(int error, const char* what)
{
    broken_ = true;
    if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
        if (errno != 0)
            throw CNetException(errno);
        throw CNetException(ECONNRESET, std::string(what) + ": connection closed by the server");
    }
    throw CNetException(EPROTO, std::string(what) + ": " + libraryReason());
}

} // namespace varnix
