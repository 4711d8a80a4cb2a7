// varnix-cli over TLS against vsftpd: what a user sees for a certificate
// that nothing vouches for, one named with --trust, one accepted for good,
// one that changed, and one that the trust store vouches for.

#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace varnix::test {
namespace {

std::string withoutColons(std::string fingerprint)
{
    std::erase(fingerprint, ':');
    return fingerprint;
}

// The trust store every OpenSSL program of the test reads, for one test.
class TrustStore {
public:
    explicit TrustStore(const std::filesystem::path& authority) { setenv("SSL_CERT_FILE", authority.c_str(), 1); }
    ~TrustStore() { unsetenv("SSL_CERT_FILE"); }
};

class CliOverTls : public ::testing::Test {
protected:
    void start(TlsMode mode, std::optional<TestCertificate> certificate = {})
    {
        tree.write("pub/a.txt", "secret bytes\n");
        server = std::make_unique<FtpServer>(ServerKind::Vsftpd, tree.root(),
                                             ServerOptions{.tls = mode, .certificate = certificate});
    }
    std::string url(const char* scheme = "ftp") const
    {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(server->port());
    }
    std::string identity() const { return "anonymous@127.0.0.1:" + std::to_string(server->port()); }
    std::filesystem::path profileWith(const std::string& fingerprint)
    {
        return work.write("profile.conf", "[Certificates]\n" + identity() + "=" + fingerprint + "\n");
    }

    TempTree tree, local, work;
    std::unique_ptr<FtpServer> server;
};

TEST_F(CliOverTls, UnknownCertificateIsRefusedUntilItsFingerprintIsNamed)
{
    start(TlsMode::Implicit);
    const std::string fingerprint = server->certificate().fingerprint;
    CliResult refused = runCli({url("ftps"), "ls", server->remotePath("pub")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("--trust " + fingerprint), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("self-signed certificate"), std::string::npos) << refused.err;

    CliResult listed = runCli({"--trust", withoutColons(fingerprint), url("ftps"), "ls", server->remotePath("pub")});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.substr(0, 6), "a.txt\t");
}

// The profile's stored acceptance lets the file through; once it names
// another certificate, the server's is refused and both are named.
TEST_F(CliOverTls, RequiredExplicitTlsTrustsTheStoredCertificateAndNoOther)
{
    start(TlsMode::ExplicitRequired);
    profileWith(server->certificate().fingerprint);
    CliResult r = runCli({"--profile", work.path("profile.conf").string(), "--set", "Encryption=2", url(), "get",
                          server->remotePath("pub/a.txt"), local.path("a.txt").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(local.read("a.txt"), "secret bytes\n");

    const std::string old = makeSelfSigned(work.root(), "old").fingerprint;
    profileWith(old);
    CliResult changed = runCli({"--profile", work.path("profile.conf").string(), url(), "ls", server->remotePath("pub")});
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.err.find("HAS CHANGED"), std::string::npos) << changed.err;
    EXPECT_NE(changed.err.find(old), std::string::npos) << changed.err;
    EXPECT_NE(changed.err.find(server->certificate().fingerprint), std::string::npos) << changed.err;
}

TEST_F(CliOverTls, ACertificateTheTrustStoreVouchesForNeedsNoWordIfItNamesTheHost)
{
    const TestCertificate authority = makeAuthority(work.root(), "authority");
    TrustStore store(authority.certificate);
    start(TlsMode::ExplicitRequired, makeSignedBy(authority, work.root(), "right", "127.0.0.1"));
    CliResult r = runCli({url(), "ls", server->remotePath("pub")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 6), "a.txt\t");

    server.reset();
    start(TlsMode::ExplicitRequired, makeSignedBy(authority, work.root(), "wrong", "ftp.example.org"));
    CliResult wrong = runCli({url(), "ls", server->remotePath("pub")});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("mismatch"), std::string::npos) << wrong.err;
}

} // namespace
} // namespace varnix::test
