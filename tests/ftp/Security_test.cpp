// FTP over TLS against real servers: vsftpd (TLS required for login and
// data, which also makes it insist on resumed sessions for data
// connections; and TLS from the first byte) and pyftpdlib's TLS handler.

#include "EngineOnServer.h"
#include "model/RemoteFolder.h"
#include "net/CertificateCheck.h"
#include "support/SameBytes.h"

#include <gtest/gtest.h>

#include <atomic>

namespace varnix::test {
namespace {

// Accepts the one fingerprint it is given and counts the questions.
struct OneCertificate : CertificateCheck {
    CertificateVerdict check(const std::string& identity, const CertificateInfo& certificate) override
    {
        ++calls;
        seen = certificate;
        seenIdentity = identity;
        if (certificate.fingerprint == fingerprint)
            return {true, {}};
        return {false, "refused " + certificate.fingerprint};
    }
    std::string fingerprint;
    std::atomic<int> calls{0};
    CertificateInfo seen;
    std::string seenIdentity;
};

class InstalledCheck {
public:
    explicit InstalledCheck(CertificateCheck* check) { installCertificateCheck(check); }
    ~InstalledCheck() { installCertificateCheck(nullptr); }
};

struct TlsCase {
    const char* name;
    ServerKind kind;
    TlsMode serverMode;
    EncryptionMode clientMode;
};

std::string caseName(const ::testing::TestParamInfo<TlsCase>& info)
{
    return info.param.name;
}

class SecureEngine : public ::testing::TestWithParam<TlsCase> {
protected:
    void start(ServerOptions options = {})
    {
        options.tls = GetParam().serverMode;
        server = std::make_unique<FtpServer>(GetParam().kind, tree.root(), options);
        h = std::make_unique<EngineHarness>(server->host(), server->port());
        h->set(Setting::RecvTimeout, 5);
        h->set(Setting::SendTimeout, 5);
        h->set(Setting::Encryption, std::uint32_t(GetParam().clientMode));
        check.fingerprint = server->certificate().fingerprint;
    }
    FtpProtocol& engine() { return h->engine; }
    std::string remote(const std::string& rel = {}) const { return server->remotePath(rel); }
    bool sawStatusStarting(const std::string& prefix) const
    {
        for (const auto& text : h->target.texts(NoticeStatus))
            if (text.starts_with(prefix))
                return true;
        return false;
    }

    TempTree tree{"varnix-tls"};
    TempTree local{"varnix-tls-local"};
    OneCertificate check;
    InstalledCheck installed{&check};
    std::unique_ptr<FtpServer> server;
    std::unique_ptr<EngineHarness> h;
};

TEST_P(SecureEngine, ListsAndMovesFilesByteForByteOverTls)
{
    tree.writeSized("pub/big.bin", 3 * 1024 * 1024 + 17, 7);
    tree.write("pub/empty.txt", "");
    start();
    engine().Connect();
    EXPECT_EQ(check.calls, 1);   // self-signed: the user's word is needed, once
    EXPECT_EQ(check.seen.problem, "self-signed certificate");
    EXPECT_NE(check.seen.subject.find("CN = 127.0.0.1"), std::string::npos) << check.seen.subject;
    EXPECT_FALSE(check.seen.validUntil.empty());
    EXPECT_TRUE(sawStatusStarting("Connection secured: TLSv1.")) << h->log();
    EXPECT_EQ(engine().dataProtection(), DataProtection::Private);
    const auto commands = server->commandLog();
    EXPECT_TRUE(containsLine(commands, "PBSZ 0"));
    EXPECT_TRUE(containsLine(commands, "PROT P"));

    FolderHandle listing = engine().ListFolder(remote("pub"), "", false);
    ASSERT_TRUE(listing);
    EXPECT_TRUE(listing->find("big.bin"));

    // Download, resume of a cut copy, upload of both files, upload resumed.
    const std::string big = TempTree::sizedContent(3 * 1024 * 1024 + 17, 7);
    EXPECT_EQ(engine().Download(remote("pub"), local.path("big.bin"), "big.bin", false, ""), big.size());
    EXPECT_TRUE(sameBytes(local.read("big.bin"), big));
    local.write("cut.bin", big.substr(0, 1000000));
    EXPECT_EQ(engine().Download(remote("pub"), local.path("cut.bin"), "big.bin", true, ""), big.size() - 1000000);
    EXPECT_TRUE(sameBytes(local.read("cut.bin"), big));
    EXPECT_EQ(engine().Download(remote("pub"), local.path("empty.txt"), "empty.txt", false, ""), 0u);
    EXPECT_TRUE(local.exists("empty.txt"));

    EXPECT_EQ(engine().Upload(remote("pub"), "up.bin", local.path("big.bin"), false, ""), big.size());
    EXPECT_TRUE(sameBytes(tree.read("pub/up.bin"), big));
    EXPECT_EQ(engine().Upload(remote("pub"), "up-empty.txt", local.path("empty.txt"), false, ""), 0u);
    EXPECT_TRUE(tree.exists("pub/up-empty.txt"));
    tree.write("pub/part.bin", big.substr(0, 2000000));
    EXPECT_EQ(engine().Upload(remote("pub"), "part.bin", local.path("big.bin"), true, ""), big.size() - 2000000);
    EXPECT_TRUE(sameBytes(tree.read("pub/part.bin"), big));
    EXPECT_EQ(check.calls, 1);   // data connections show the same certificate: no more questions
}

TEST_P(SecureEngine, UnknownCertificateIsRefusedBeforeTheUserName)
{
    start();
    check.fingerprint = "not this one";
    try {
        engine().Connect();
        FAIL() << "an unknown certificate was accepted";
    } catch (const CFTPException& e) {
        EXPECT_EQ(e.message, "refused " + server->certificate().fingerprint);
        EXPECT_EQ(e.recovery, RecoveryNone);
    }
    EXPECT_FALSE(engine().IsConnected());
    EXPECT_EQ(check.seenIdentity, "anonymous@127.0.0.1:" + std::to_string(server->port()));
    for (const auto& command : server->commandLog())
        EXPECT_FALSE(command.starts_with("USER") || command.starts_with("PASS")) << command;
}

TEST_P(SecureEngine, AbortDuringADownloadLeavesTheSessionUsable)
{
    tree.writeSized("pub/big.bin", 64 * 1024 * 1024, 3);
    start();
    h->set(Setting::RecvBuffer, 4096);
    engine().Connect();
    std::atomic<bool> started{false};
    h->target.onNotice([&](const SessionNotice& n) {
        if (n.kind == NoticeProgress && n.moved > 0 && !started.exchange(true))
            engine().RequestAbort();
    });
    EXPECT_THROW(engine().Download(remote("pub"), local.path("big.bin"), "big.bin", false, ""), CAbortException);
    h->target.onNotice({});
    engine().RecoverAfterAbort();
    ASSERT_TRUE(engine().IsConnected());
    EXPECT_TRUE(engine().ListFolder(remote("pub"), "", false));
    EXPECT_EQ(engine().CurrentDirectory(), remote("pub"));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, SecureEngine,
    ::testing::Values(TlsCase{"VsftpdRequired", ServerKind::Vsftpd, TlsMode::ExplicitRequired,
                              EncryptionMode::ExplicitRequired},
                      TlsCase{"VsftpdImplicit", ServerKind::Vsftpd, TlsMode::Implicit, EncryptionMode::Implicit},
                      TlsCase{"PyftpdlibRequired", ServerKind::Pyftpdlib, TlsMode::ExplicitRequired,
                              EncryptionMode::ExplicitWhenOffered},
                      TlsCase{"PyftpdlibOffered", ServerKind::Pyftpdlib, TlsMode::Explicit,
                              EncryptionMode::ExplicitWhenOffered}),
    caseName);

// A server without TLS: with TLS required nothing secret is sent; when TLS
// is only wanted the login goes on in plain FTP (the login tests show that).
class PlainServerRequiringTls : public EngineOnRealServer {};

TEST_P(PlainServerRequiringTls, StopsBeforeTheUserName)
{
    start();
    h->set(Setting::Encryption, std::uint32_t(EncryptionMode::ExplicitRequired));
    try {
        engine().Connect();
        FAIL() << "logged in without TLS";
    } catch (const CFTPException& e) {
        EXPECT_TRUE(e.message.starts_with("The server refused TLS, which this site requires: 5")) << e.message;
    }
    EXPECT_FALSE(engine().IsConnected());
    EXPECT_EQ(server->commandLog(), std::vector<std::string>{"AUTH TLS"});
}

INSTANTIATE_TEST_SUITE_P(Servers, PlainServerRequiringTls,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd), nameOfKind);

} // namespace
} // namespace varnix::test
