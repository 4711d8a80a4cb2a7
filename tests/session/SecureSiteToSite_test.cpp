// Copies between two servers over TLS: the destination takes the TLS
// client's part on the servers' data connection (CPSV, or SSCN ON before
// PASV). A pair that cannot do that fails clearly when only server to
// server copies are allowed, and copies through Varnix otherwise.

#include "session/CFTPSession.h"

#include "net/CertificateCheck.h"
#include "support/HasLine.h"
#include "support/SameBytes.h"
#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::ServerOptions;
using test::TempTree;
using test::TlsMode;

// The test servers' certificates are self-signed; these tests are not about that.
struct AcceptAll : CertificateCheck {
    CertificateVerdict check(const std::string&, const CertificateInfo&) override { return {true, {}}; }
};

using test::hasLine;

struct CopyCase {
    const char* name;
    ServerKind sourceKind;
    ServerOptions source;
    ServerOptions destination;
    const char* failure;                    // server to server, on the destination; nullptr: the copy works
    std::vector<std::string> destinationSaw; // commands, in this order among the others
};

std::string caseName(const ::testing::TestParamInfo<CopyCase>& info)
{
    return info.param.name;
}

class SecureSiteToSite : public ::testing::TestWithParam<CopyCase> {
protected:
    SecureSiteToSite() { installCertificateCheck(&acceptAll); }
    ~SecureSiteToSite() override { installCertificateCheck(nullptr); }

    AcceptAll acceptAll;
    TempTree sourceTree, destinationTree;
    test::SessionHarness harness;
};

TEST_P(SecureSiteToSite, CopiesOrSaysWhyNot)
{
    const CopyCase& c = GetParam();
    sourceTree.writeSized("file.bin", 700000, 9);
    FtpServer sourceServer(c.sourceKind, sourceTree.root(), c.source);
    FtpServer destinationServer(ServerKind::Pyftpdlib, destinationTree.root(), c.destination);
    CFTPSession* source = harness.session(harness.site(sourceServer));
    SiteHandle destinationSite = harness.site(destinationServer);
    CFTPSession* destination = harness.session(destinationSite);
    if (c.failure)
        LockedAccess<SiteContext>(destinationSite)->settings().setSiteToSiteRoute(1);
    // Both logged in, so each knows how the other protects its data.
    source->List(sourceServer.remotePath(), "");
    destination->List(destinationServer.remotePath(), "");
    ASSERT_EQ(harness.outcome(source).kind, NoticeDone);
    ASSERT_EQ(harness.outcome(destination).kind, NoticeDone);

    destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "copy.bin",
                                "file.bin", false);
    SessionNotice outcome = harness.outcome(destination, 1);
    std::vector<std::string> saw = destinationServer.commandLog();
    if (c.failure) {
        EXPECT_EQ(outcome.kind, NoticeFailed);
        EXPECT_NE(outcome.text.find(c.failure), std::string::npos) << outcome.text;
        EXPECT_FALSE(hasLine(saw, "STOR copy.bin"));
        EXPECT_FALSE(destinationTree.exists("copy.bin"));
        // Allowed to, the same pair copies through Varnix.
        LockedAccess<SiteContext>(destinationSite)->settings().setSiteToSiteRoute(0);
        destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "copy.bin",
                                    "file.bin", false);
        ASSERT_EQ(harness.outcome(destination, 2).kind, NoticeDone) << harness.outcome(destination, 2).text;
        EXPECT_EQ(harness.outcome(source, 1).kind, NoticeDone);
        EXPECT_TRUE(test::sameBytes(destinationTree.read("copy.bin"), sourceTree.read("file.bin")));
    } else {
        ASSERT_EQ(outcome.kind, NoticeDone) << outcome.text;
        EXPECT_EQ(harness.outcome(source, 1).kind, NoticeDone);
        EXPECT_TRUE(test::sameBytes(destinationTree.read("copy.bin"), sourceTree.read("file.bin")));
        // The destination's own transfers go on as before.
        destination->List(destinationServer.remotePath(), "");
        EXPECT_EQ(harness.outcome(destination, 2).kind, NoticeDone);
        saw = destinationServer.commandLog();
    }
    auto at = saw.begin();
    for (const std::string& command : c.destinationSaw) {
        at = std::find(at, saw.end(), command);
        EXPECT_NE(at, saw.end()) << command;
    }
}

const ServerOptions kTls{.tls = TlsMode::ExplicitRequired};
const ServerOptions kTlsWithCpsv{.tls = TlsMode::ExplicitRequired, .tlsClientCommands = "CPSV,SSCN"};
const ServerOptions kTlsWithSscn{.tls = TlsMode::ExplicitRequired, .tlsClientCommands = "SSCN"};
// vsftpd as the source serves the other server's TLS client, which cannot
// resume a session it never had. (pyftpdlib as the source of such a copy
// sometimes ends the data before sending any: a fault of the test server.)
const ServerOptions kVsftpdTlsSource{.tls = TlsMode::ExplicitRequired, .requireSessionReuse = false};

INSTANTIATE_TEST_SUITE_P(
    Pairs, SecureSiteToSite,
    ::testing::Values(
        CopyCase{"DestinationTakesCpsv", ServerKind::Vsftpd, kVsftpdTlsSource, kTlsWithCpsv, nullptr,
                 {"CPSV", "STOR copy.bin"}},
        CopyCase{"DestinationTakesSscnOnly", ServerKind::Vsftpd, kVsftpdTlsSource, kTlsWithSscn, nullptr,
                 {"CPSV", "SSCN ON", "PASV", "STOR copy.bin", "SSCN OFF", "EPSV", "MLSD"}},
        CopyCase{"DestinationTakesNeither", ServerKind::Pyftpdlib, kTls, kTls,
                 "need a destination server that supports CPSV or SSCN", {"CPSV", "SSCN ON"}},
        CopyCase{"PlainSourceToTlsDestination", ServerKind::Pyftpdlib, {}, kTlsWithCpsv,
                 "one site encrypts its data connections and the other does not", {}},
        CopyCase{"TlsSourceToPlainDestination", ServerKind::Vsftpd, kVsftpdTlsSource, {},
                 "one site encrypts its data connections and the other does not", {}}),
    caseName);

} // namespace
} // namespace varnix
