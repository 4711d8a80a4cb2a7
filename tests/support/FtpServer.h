#pragma once

#include "support/ChildProcess.h"
#include "support/TempTree.h"
#include "support/TestCertificate.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnix::test {

enum class ServerKind { Pyftpdlib, Vsftpd };

std::string kindName(ServerKind kind); // "Pyftpdlib" / "Vsftpd", for test names

// FTP over TLS: optional (AUTH TLS offered), required for logins and data,
// or from the first byte (vsftpd only).
enum class TlsMode { None, Explicit, ExplicitRequired, Implicit };

// How the server behaves. Named users and every misbehaviour switch exist
// only on pyftpdlib; vsftpd serves anonymous users (with full write access)
// and nothing else, and refuses to start with a switch set.
struct ServerOptions {
    bool anonymous = true;
    std::string user = "tester", password = "secret"; // pyftpdlib only; empty user: none
    bool refusePasv = false, refusePort = false, refuseSize = false, refuseAll = false;
    bool refuseMlsd = false; // pyftpdlib: MLST offered in FEAT, MLSD refused
    std::uint64_t dropDataAfter = 0; // cut RETR/STOR data after so many bytes (once per file)
    bool dropDataAlways = false;     // ... on every transfer, not once per file
    std::uint64_t stallDataAfter = 0; // stop moving RETR/STOR data, connection kept open
    std::string closeControlOn = {}; // command that closes the control connection
    std::uint64_t dropControlAfter = 0; // drop the control connection after so many bytes of a file (once per file)
    bool resetControl = false;          // ... with a reset instead of a close
    bool permitForeignAddresses = true; // PORT to other hosts/ports (site-to-site)
    std::uint16_t port = 0;             // pyftpdlib only: listen here rather than on a free port
    std::string address = "127.0.0.1";  // or "::1" (see loopbackIpv6Available)
    TlsMode tls = TlsMode::None;
    std::optional<TestCertificate> certificate = {}; // none: a self-signed one made for 127.0.0.1
    std::string tlsClientCommands = {}; // pyftpdlib: "CPSV,SSCN", "SSCN", ...: offered for copies over TLS
    bool requireSessionReuse = true;    // vsftpd: data connections must resume the control connection's session
    std::string hashes = {};            // pyftpdlib: "SHA-256,SHA-1,MD5,CRC32": offer HASH, the first selected
    std::string xHashes = {};           // pyftpdlib: "XSHA256,XMD5,XCRC", ...: offer these commands
    std::uint32_t hashMismatches = 0;   // pyftpdlib: the first so many hash answers are wrong
    double hashDelay = 0;               // pyftpdlib: seconds before each hash answer

    bool misbehaves() const;
};

// A real FTP server on 127.0.0.1 (or ::1) serving `root`, started by the constructor
// (which returns once the server accepts connections) and stopped by the
// destructor. The server's working files (configuration, logs) live in a
// private folder of their own, never in `root`.
class FtpServer {
public:
    FtpServer(ServerKind kind, std::filesystem::path root, ServerOptions options = {});
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    const std::string& host() const { return m_host; }
    std::uint16_t port() const { return m_port; }
    ServerKind kind() const { return m_kind; }
    const std::filesystem::path& root() const { return m_root; }
    const ServerOptions& options() const { return m_options; }
    // The certificate a TLS server shows.
    const TestCertificate& certificate() const { return *m_options.certificate; }

    std::string url() const; // "ftp://127.0.0.1:PORT", "ftp://[::1]:PORT"
    std::string url(const std::string& user, const std::string& password) const;

    // Where a file below root() is as the server names it: pyftpdlib shows
    // root() as "/", vsftpd (which cannot chroot here) its real path.
    std::string remotePath(const std::string& rel = {}) const;

    // Every command line received so far, in order, on all connections.
    std::vector<std::string> commandLog() const;
    int loginCount() const;
    std::filesystem::path logFile() const;
    std::string serverOutput() const; // the server's own stdout/stderr

private:
    void startPyftpdlib();
    void startVsftpd();
    bool tryStartVsftpd(std::uint16_t port);
    std::vector<std::string> logLines() const;
    [[noreturn]] void failStart(const std::string& why) const;

    ServerKind m_kind;
    std::filesystem::path m_root;
    ServerOptions m_options;
    std::string m_host;
    std::uint16_t m_port = 0;
    TempTree m_work{"varnix-server"};
    std::unique_ptr<ChildProcess> m_process;
};

// The raw answer to "LIST -A" in `path` (a folder as the server names it,
// see remotePath), exactly as the server sent it, CR LF included. Fetched
// with Python's ftplib, independent of our own engine.
std::string fetchListing(const FtpServer& server, const std::string& path,
                         const std::string& user = "anonymous", const std::string& password = "");

// A loopback port nothing listens on when asked; someone may take it later.
std::uint16_t pickFreePort(const std::string& address = "127.0.0.1");

// Whether ::1 can be listened on here; IPv6 tests skip when it cannot.
bool loopbackIpv6Available();

} // namespace varnix::test
