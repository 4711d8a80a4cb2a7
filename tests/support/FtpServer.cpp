#include "support/FtpServer.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace varnix::test {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kPython = "/usr/bin/python3"; // Debian's: it sees python3-pyftpdlib
const char* const kVsftpd = "/usr/sbin/vsftpd";
constexpr auto kStartLimit = std::chrono::seconds(20);
constexpr auto kGreetingLimit = std::chrono::seconds(10);
constexpr int kVsftpdAttempts = 5;

std::string supportFile(const std::string& name)
{
    return std::string(VARNIX_SOURCE_DIR) + "/tests/support/" + name;
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { if (m_fd >= 0) ::close(m_fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
private:
    int m_fd;
};

// 127.0.0.1 or ::1 with a port.
struct Loopback {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
    int family() const { return storage.ss_family; }
};

// The numeric loopback address given: 127.x.y.z or ::1.
Loopback loopback(const std::string& address, std::uint16_t port)
{
    Loopback a;
    if (address.find(':') != std::string::npos) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(a.storage);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        if (::inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) != 1)
            v6.sin6_addr = in6addr_loopback;
        a.length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(a.storage);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        if (::inet_pton(AF_INET, address.c_str(), &v4.sin_addr) != 1)
            v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.length = sizeof v4;
    }
    return a;
}

std::string readLine(int fd)
{
    std::string line;
    pollfd p{fd, POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        line.append(buf, static_cast<std::size_t>(n));
    }
    return line;
}

// The same over TLS from the first byte, for an implicit-TLS server.
std::string readTlsLine(int fd)
{
    timeval limit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    SSL* ssl = SSL_new(context);
    SSL_set_fd(ssl, fd);
    std::string line;
    if (SSL_connect(ssl) == 1) {
        char buf[512];
        int n;
        while (line.find('\n') == std::string::npos && (n = SSL_read(ssl, buf, sizeof buf)) > 0)
            line.append(buf, static_cast<std::size_t>(n));
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    SSL_CTX_free(context);
    return line;
}

// Reads the first line the server sends on a fresh connection, or "".
std::string readGreeting(const std::string& address, std::uint16_t port, bool overTls)
{
    const Loopback addr = loopback(address, port);
    Fd s(::socket(addr.family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::connect(s.get(), addr.get(), addr.length) != 0)
        return {};
    return overTls ? readTlsLine(s.get()) : readLine(s.get());
}

std::string uniqueToken()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    return "varnix-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(rd());
}

std::string urlHost(const std::string& host)
{
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string yesNo(bool b)
{
    return b ? "YES" : "NO";
}

// vsftpd listens on IPv4 or on IPv6, never both from one configuration.
std::string vsftpdListen(const std::string& address)
{
    if (address.find(':') != std::string::npos)
        return "listen=NO\nlisten_ipv6=YES\nlisten_address6=" + address + "\n";
    return "listen=YES\nlisten_ipv6=NO\nlisten_address=" + address + "\npasv_address=" + address + "\n";
}

std::string vsftpdConfig(const fs::path& root, const fs::path& work, const std::string& address,
                         std::uint16_t port, const std::string& banner, bool promiscuous)
{
    std::ostringstream c;
    c << vsftpdListen(address) << "listen_port=" << port << "\n"
      << "background=NO\nrun_as_launching_user=YES\n"
      << "anonymous_enable=YES\nanon_root=" << root.string() << "\n"
      << "no_anon_password=YES\nlocal_enable=NO\n"
      << "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
      << "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
      << "chown_uploads=NO\nallow_writeable_chroot=YES\n"
      << "secure_chroot_dir=" << (work / "empty").string() << "\n"
      << "pasv_enable=YES\nport_enable=YES\nconnect_from_port_20=NO\n"
      << "pasv_promiscuous=" << yesNo(promiscuous) << "\nport_promiscuous=" << yesNo(promiscuous) << "\n"
      << "seccomp_sandbox=NO\n"
      << "xferlog_enable=YES\nxferlog_std_format=NO\nlog_ftp_protocol=YES\n"
      << "vsftpd_log_file=" << (work / "commands.log").string() << "\n"
      << "ftpd_banner=" << banner << "\n";
    return c.str();
}

std::string vsftpdTlsConfig(const ServerOptions& o)
{
    if (o.tls == TlsMode::None)
        return {};
    const bool required = o.tls != TlsMode::Explicit;
    std::ostringstream c;
    c << "ssl_enable=YES\nallow_anon_ssl=YES\nssl_ciphers=HIGH\n"
      << "rsa_cert_file=" << o.certificate->certificate.string() << "\n"
      << "rsa_private_key_file=" << o.certificate->key.string() << "\n"
      << "force_anon_logins_ssl=" << yesNo(required) << "\nforce_anon_data_ssl=" << yesNo(required) << "\n"
      << "implicit_ssl=" << yesNo(o.tls == TlsMode::Implicit) << "\n"
      << "require_ssl_reuse=" << yesNo(o.requireSessionReuse) << "\n";
    return c.str();
}

// vsftpd logs: ... FTP command: Client "127.0.0.1", "RETR a.txt"
bool parseVsftpdCommand(const std::string& line, std::string& command)
{
    static const std::string marker = "FTP command: Client \"";
    const auto at = line.find(marker);
    if (at == std::string::npos)
        return false;
    const auto open = line.find("\", \"", at + marker.size());
    const auto close = line.rfind('"');
    if (open == std::string::npos || close < open + 4)
        return false;
    command = line.substr(open + 4, close - open - 4);
    return true;
}

} // namespace

// The port is free when we look; vsftpd may still lose it to someone else,
// which is why its start is retried with a fresh one.
std::uint16_t pickFreePort(const std::string& address)
{
    Loopback addr = loopback(address, 0);
    Fd s(::socket(addr.family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    socklen_t len = sizeof addr.storage;
    if (::bind(s.get(), addr.get(), addr.length) != 0 || ::getsockname(s.get(), addr.get(), &len) != 0)
        throw std::runtime_error("cannot find a free port on " + address);
    return addr.family() == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6&>(addr.storage).sin6_port)
                                     : ntohs(reinterpret_cast<const sockaddr_in&>(addr.storage).sin_port);
}

bool loopbackIpv6Available()
{
    try {
        pickFreePort("::1");
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

std::string kindName(ServerKind kind)
{
    return kind == ServerKind::Pyftpdlib ? "Pyftpdlib" : "Vsftpd";
}

bool ServerOptions::misbehaves() const
{
    return refusePasv || refusePort || refuseSize || refuseMlsd || refuseAll || dropDataAfter || dropDataAlways ||
           stallDataAfter || !closeControlOn.empty() || dropControlAfter || resetControl || !hashes.empty() ||
           !xHashes.empty() || hashMismatches || hashDelay > 0;
}

FtpServer::FtpServer(ServerKind kind, fs::path root, ServerOptions options)
    : m_kind(kind), m_root(fs::canonical(root)), m_options(std::move(options)), m_host(m_options.address)
{
    if (m_options.tls != TlsMode::None && !m_options.certificate)
        m_options.certificate = makeSelfSigned(m_work.root(), "server");
    if (m_kind == ServerKind::Pyftpdlib && m_options.tls == TlsMode::Implicit)
        throw std::invalid_argument("pyftpdlib fixture: no implicit TLS (vsftpd has it)");
    if (m_kind == ServerKind::Pyftpdlib)
        startPyftpdlib();
    else
        startVsftpd();
}

FtpServer::~FtpServer()
{
    if (m_process)
        m_process->stop();
}

void FtpServer::failStart(const std::string& why) const
{
    throw std::runtime_error(kindName(m_kind) + " did not start: " + why + "\n" + serverOutput());
}

void FtpServer::startPyftpdlib()
{
    const fs::path ready = m_work.path("ready");
    std::vector<std::string> args = {kPython, supportFile("pyftpd_server.py"), "--root", m_root.string(),
                                     "--host", m_host, "--port", std::to_string(m_options.port),
                                     "--ready-file", ready.string(), "--log", logFile().string(),
                                     "--exit-with-parent"};
    const ServerOptions& o = m_options;
    if (o.anonymous)
        args.push_back("--anonymous");
    if (!o.user.empty())
        args.insert(args.end(), {"--user", o.user, "--password", o.password});
    const std::pair<bool, const char*> flags[] = {
        {o.refusePasv, "--refuse-pasv"}, {o.refusePort, "--refuse-port"},
        {o.refuseSize, "--refuse-size"}, {o.refuseMlsd, "--refuse-mlsd"}, {o.refuseAll, "--refuse-all"},
        {o.dropDataAlways, "--drop-data-always"}, {o.permitForeignAddresses, "--permit-foreign-addresses"},
        {o.resetControl, "--reset-control"}};
    for (const auto& [on, flag] : flags)
        if (on)
            args.push_back(flag);
    if (o.dropDataAfter)
        args.insert(args.end(), {"--drop-data-after", std::to_string(o.dropDataAfter)});
    if (o.stallDataAfter)
        args.insert(args.end(), {"--stall-data-after", std::to_string(o.stallDataAfter)});
    if (o.dropControlAfter)
        args.insert(args.end(), {"--drop-control-after", std::to_string(o.dropControlAfter)});
    if (!o.closeControlOn.empty())
        args.insert(args.end(), {"--close-control-on", o.closeControlOn});
    if (o.tls != TlsMode::None)
        args.insert(args.end(), {"--tls-cert", o.certificate->combined.string()});
    if (o.tls == TlsMode::ExplicitRequired)
        args.push_back("--tls-required");
    if (!o.tlsClientCommands.empty())
        args.insert(args.end(), {"--tls-client-commands", o.tlsClientCommands});
    if (!o.hashes.empty())
        args.insert(args.end(), {"--hash", o.hashes});
    if (!o.xHashes.empty())
        args.insert(args.end(), {"--x-hash", o.xHashes});
    if (o.hashMismatches)
        args.insert(args.end(), {"--hash-mismatch", std::to_string(o.hashMismatches)});
    if (o.hashDelay > 0)
        args.insert(args.end(), {"--hash-delay", std::to_string(o.hashDelay)});

    const fs::path out = m_work.path("output.txt");
    m_process = std::make_unique<ChildProcess>(args, out, out);
    const auto deadline = Clock::now() + kStartLimit;
    while (!fs::exists(ready)) {
        if (!m_process->running())
            failStart("the server exited");
        if (Clock::now() >= deadline)
            failStart("no ready file after " + std::to_string(kStartLimit.count()) + " s");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_port = static_cast<std::uint16_t>(std::stoi(readFileText(ready)));
}

void FtpServer::startVsftpd()
{
    if (m_options.misbehaves())
        throw std::invalid_argument("vsftpd fixture: misbehaviour switches exist only on pyftpdlib");
    if (!m_options.anonymous)
        throw std::invalid_argument("vsftpd fixture: anonymous only (named users are on pyftpdlib)");
    m_work.mkdir("empty");
    for (int attempt = 0; attempt < kVsftpdAttempts; ++attempt)
        if (tryStartVsftpd(pickFreePort(m_host)))
            return;
    failStart("no attempt reached the greeting");
}

// The banner carries a token of our own, so that a greeting from some other
// program that took the port is never mistaken for ours.
bool FtpServer::tryStartVsftpd(std::uint16_t port)
{
    const std::string token = uniqueToken();
    const fs::path conf = m_work.write("vsftpd.conf", vsftpdConfig(m_root, m_work.root(), m_host, port,
                                       "Varnix test vsftpd " + token, m_options.permitForeignAddresses) +
                                           vsftpdTlsConfig(m_options));
    const fs::path out = m_work.path("output.txt");
    m_process = std::make_unique<ChildProcess>(std::vector<std::string>{kVsftpd, conf.string()}, out, out);
    const auto deadline = Clock::now() + kGreetingLimit;
    while (Clock::now() < deadline && m_process->running()) {
        if (readGreeting(m_host, port, m_options.tls == TlsMode::Implicit).find(token) != std::string::npos) {
            m_port = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_process->stop();
    m_process.reset();
    return false;
}

std::string FtpServer::url() const
{
    return "ftp://" + urlHost(m_host) + ":" + std::to_string(m_port);
}

std::string FtpServer::url(const std::string& user, const std::string& password) const
{
    return "ftp://" + user + ":" + password + "@" + urlHost(m_host) + ":" + std::to_string(m_port);
}

std::string FtpServer::remotePath(const std::string& rel) const
{
    std::string home = m_kind == ServerKind::Pyftpdlib ? "" : m_root.string();
    if (rel.empty())
        return home.empty() ? "/" : home;
    return home + "/" + rel;
}

fs::path FtpServer::logFile() const
{
    return m_work.path("commands.log");
}

std::string FtpServer::serverOutput() const
{
    return readFileText(m_work.path("output.txt"));
}

std::vector<std::string> FtpServer::logLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(readFileText(logFile()));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> FtpServer::commandLog() const
{
    std::vector<std::string> commands;
    for (const std::string& line : logLines()) {
        std::string command;
        if (m_kind == ServerKind::Vsftpd) {
            if (parseVsftpdCommand(line, command))
                commands.push_back(command);
        } else if (line.rfind("LOGIN ", 0) != 0) {
            commands.push_back(line);
        }
    }
    return commands;
}

int FtpServer::loginCount() const
{
    int count = 0;
    for (const std::string& line : logLines()) {
        if (m_kind == ServerKind::Vsftpd ? line.find("] OK LOGIN: ") != std::string::npos
                                         : line.rfind("LOGIN ", 0) == 0)
            ++count;
    }
    return count;
}

std::string fetchListing(const FtpServer& server, const std::string& path, const std::string& user,
                         const std::string& password)
{
    TempTree work("varnix-listing");
    const fs::path out = work.path("listing"), err = work.path("errors");
    const int status = runProgram({kPython, supportFile("fetch_listing.py"), "--host", server.host(), "--port",
                                   std::to_string(server.port()), "--user", user, "--password", password,
                                   "--path", path},
                                  out, err);
    if (status != 0)
        throw std::runtime_error("fetchListing " + path + " failed (" + std::to_string(status) + "): " +
                                 readFileText(err));
    return readFileText(out);
}

} // namespace varnix::test
