// Copies between two real servers on loopback, driven by two sessions that
// are coupled only through the tasks they post onto each other.

#include "session/CFTPSession.h"

#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::TempTree;

struct Pair {
    ServerKind source;
    ServerKind destination;
};

std::string pairName(const ::testing::TestParamInfo<Pair>& info)
{
    return test::kindName(info.param.source) + "To" + test::kindName(info.param.destination);
}

class SiteToSiteTest : public ::testing::TestWithParam<Pair> {
protected:
    SiteToSiteTest()
        : sourceServer(GetParam().source, sourceTree.root()),
          destinationServer(GetParam().destination, destinationTree.root()),
          source(harness.session(harness.site(sourceServer))),
          destination(harness.session(harness.site(destinationServer)))
    {
    }

    void expectDone(CFTPSession* from, std::size_t index = 0)
    {
        SessionNotice n = harness.outcome(from, index);
        EXPECT_EQ(n.kind, NoticeDone) << n.text;
    }

    TempTree sourceTree, destinationTree;
    FtpServer sourceServer, destinationServer;
    test::SessionHarness harness;
    CFTPSession* source;
    CFTPSession* destination;
};

TEST_P(SiteToSiteTest, CopiesAFile)
{
    sourceTree.writeSized("file.bin", 300000, 7);
    destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "copy.bin",
                                "file.bin", false);
    expectDone(destination);
    expectDone(source);
    EXPECT_EQ(destinationTree.read("copy.bin"), sourceTree.read("file.bin"));
}

TEST_P(SiteToSiteTest, ResumesAPartialCopy)
{
    sourceTree.writeSized("file.bin", 500000, 3);
    destinationTree.write("file.bin", TempTree::sizedContent(200000, 3));
    destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "file.bin",
                                "file.bin", true);
    expectDone(destination);
    expectDone(source);
    EXPECT_EQ(destinationTree.read("file.bin"), sourceTree.read("file.bin"));
    auto sent = sourceServer.commandLog();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "REST 200000"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "REST 0"), sent.end());
}

TEST_P(SiteToSiteTest, ResumeOfACompleteCopySendsNoRetrieve)
{
    sourceTree.writeSized("file.bin", 1000, 5);
    destinationTree.write("file.bin", TempTree::sizedContent(1000, 5));
    destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "file.bin",
                                "file.bin", true);
    expectDone(destination);
    expectDone(source);
    EXPECT_EQ(destinationTree.read("file.bin"), sourceTree.read("file.bin"));
    for (const auto& command : sourceServer.commandLog())
        EXPECT_NE(command.rfind("RETR", 0), 0u) << command;
}

TEST_P(SiteToSiteTest, CopiesAFolderTree)
{
    sourceTree.writeSized("tree/a.bin", 70000, 1);
    sourceTree.writeSized("tree/b.txt", 12, 2);
    sourceTree.writeSized("tree/sub/c.bin", 150000, 3);
    sourceTree.mkdir("tree/sub/empty");
    source->SiteDownloadFolder(sourceServer.remotePath(), destinationServer.remotePath(), destination, "tree",
                               "tree", false, false);
    expectDone(source);
    expectDone(destination);
    for (std::size_t file = 0; file < 3; ++file)
        expectDone(source, 1 + file);
    for (const char* rel : {"tree/a.bin", "tree/b.txt", "tree/sub/c.bin"})
        EXPECT_EQ(destinationTree.read(rel), sourceTree.read(rel)) << rel;
    EXPECT_TRUE(std::filesystem::is_directory(destinationTree.path("tree/sub/empty")));
}

// The link into the tree is listed before its folder: the folder still
// arrives whole, and the link is named and skipped, with no folder made for
// it. A link that leads outside the tree is followed.
TEST_P(SiteToSiteTest, LinkIntoTheTreeIsSkippedAndOneOutsideFollowed)
{
    sourceTree.writeSized("tree/sub/c.bin", 150000, 3);
    sourceTree.write("tree/sub/deeper/d.txt", "d");
    sourceTree.symlink("tree/alink", "sub");
    sourceTree.write("shared/s.txt", "shared");
    sourceTree.symlink("tree/out", "../shared");
    source->SiteDownloadFolder(sourceServer.remotePath(), destinationServer.remotePath(), destination, "tree",
                               "tree", false, false);
    expectDone(source);
    expectDone(destination);
    for (std::size_t file = 0; file < 3; ++file)
        expectDone(source, 1 + file);
    EXPECT_EQ(destinationTree.read("tree/sub/c.bin"), sourceTree.read("tree/sub/c.bin"));
    EXPECT_EQ(destinationTree.read("tree/sub/deeper/d.txt"), "d");
    EXPECT_EQ(destinationTree.read("tree/out/s.txt"), "shared");
    EXPECT_FALSE(destinationTree.exists("tree/alink"));
    auto statuses = harness.target.texts(NoticeStatus);
    const std::string skipped =
        "Skipping link " + sourceServer.remotePath("tree/alink") + ": its folder is copied already";
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), skipped), 1);
}

TEST_P(SiteToSiteTest, OnlyNewerLeavesAnUpToDateCopyAlone)
{
    sourceTree.writeSized("tree/old.bin", 1000, 1);
    sourceTree.writeSized("tree/new.bin", 1000, 2);
    sourceTree.setMtime("tree/old.bin", 1500000000);
    sourceTree.setMtime("tree/new.bin", 1600000000);
    destinationTree.write("tree/old.bin", "keep me");
    destinationTree.write("tree/new.bin", "replace me");
    destinationTree.setMtime("tree/old.bin", 1550000000);
    destinationTree.setMtime("tree/new.bin", 1550000000);
    source->SiteDownloadFolder(sourceServer.remotePath(), destinationServer.remotePath(), destination, "tree",
                               "tree", false, true);
    expectDone(source);
    expectDone(destination);
    expectDone(source, 1);
    EXPECT_EQ(destinationTree.read("tree/old.bin"), "keep me");
    EXPECT_EQ(destinationTree.read("tree/new.bin"), sourceTree.read("tree/new.bin"));
}

// Two IPv6 servers copy with EPSV and EPRT; an IPv4 server and an IPv6 one
// cannot reach each other, and the copy says so before any command.
TEST(SiteToSiteFamilies, Ipv6PairCopiesAndAMixedPairGoesThroughVarnix)
{
    if (!test::loopbackIpv6Available())
        GTEST_SKIP() << "no IPv6 on loopback (::1) on this machine";
    TempTree sourceTree, destinationTree, otherTree;
    sourceTree.writeSized("file.bin", 300000, 7);
    FtpServer source6(ServerKind::Pyftpdlib, sourceTree.root(), {.address = "::1"});
    FtpServer destination6(ServerKind::Vsftpd, destinationTree.root(), {.address = "::1"});
    FtpServer destination4(ServerKind::Vsftpd, otherTree.root());
    test::SessionHarness harness;
    CFTPSession* source = harness.session(harness.site(source6));
    CFTPSession* destination = harness.session(harness.site(destination6));
    destination->SiteUploadFile(destination6.remotePath(), source6.remotePath(), source, "copy.bin", "file.bin",
                                false);
    EXPECT_EQ(harness.outcome(destination).kind, NoticeDone);
    EXPECT_EQ(harness.outcome(source).kind, NoticeDone);
    EXPECT_EQ(destinationTree.read("copy.bin"), sourceTree.read("file.bin"));
    const auto sent = source6.commandLog();
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("EPRT |2|::1|"); }));

    // Neither server can reach the other: server to server only, the copy
    // says why; otherwise it goes through Varnix.
    SiteHandle mixedSite = harness.site(destination4);
    LockedAccess<SiteContext>(mixedSite)->settings().setSiteToSiteRoute(1);
    CFTPSession* mixed = harness.session(mixedSite);
    mixed->SiteUploadFile(destination4.remotePath(), source6.remotePath(), source, "copy.bin", "file.bin", false);
    SessionNotice n = harness.outcome(mixed);
    EXPECT_NE(n.kind, NoticeDone);
    EXPECT_NE(n.text.find("one site is on IPv4 and the other on IPv6"), std::string::npos) << n.text;
    EXPECT_FALSE(otherTree.exists("copy.bin"));
    LockedAccess<SiteContext>(mixedSite)->settings().setSiteToSiteRoute(0);
    mixed->SiteUploadFile(destination4.remotePath(), source6.remotePath(), source, "copy.bin", "file.bin", false);
    EXPECT_EQ(harness.outcome(mixed, 1).kind, NoticeDone) << harness.outcome(mixed, 1).text;
    EXPECT_EQ(otherTree.read("copy.bin"), sourceTree.read("file.bin"));
}

// Where both servers can hash, a copy is checked by the strongest algorithm
// both offer (by HASH or an X command); a wrong hash fails it, to be copied
// again from the start, and without a common algorithm it stays unchecked.
TEST(SiteToSiteVerification, CopiesAreCheckedByTheStrongestHashBothServersOffer)
{
    struct Case {
        std::string sourceHashes, sourceX, destinationHashes;
        std::uint32_t wrong;
        NoticeKind kind;
        std::string text;
    };
    const Case cases[] = {
        {"MD5,SHA-256", "", "MD5,SHA-1,SHA-256", 0, NoticeDone, "Verified SHA-256 of copy.bin"},
        {"", "XSHA1,XCRC", "SHA-256,CRC32", 0, NoticeDone, "Verified CRC32 of copy.bin"},
        {"SHA-256", "", "SHA-256", 1, NoticeFailed,
         "Verification failed: the SHA-256 of copy.bin at the destination differs from the source's"},
        {"MD5", "", "SHA-1", 0, NoticeDone, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sourceHashes + c.sourceX + " to " + c.destinationHashes);
        TempTree sourceTree, destinationTree;
        sourceTree.writeSized("file.bin", 300000, 7);
        test::ServerOptions sourceOptions, destinationOptions;
        sourceOptions.hashes = c.sourceHashes;
        sourceOptions.xHashes = c.sourceX;
        destinationOptions.hashes = c.destinationHashes;
        destinationOptions.hashMismatches = c.wrong;
        FtpServer sourceServer(ServerKind::Pyftpdlib, sourceTree.root(), sourceOptions);
        FtpServer destinationServer(ServerKind::Pyftpdlib, destinationTree.root(), destinationOptions);
        test::SessionHarness harness;
        CFTPSession* source = harness.session(harness.site(sourceServer));
        CFTPSession* destination = harness.session(harness.site(destinationServer));
        destination->SiteUploadFile(destinationServer.remotePath(), sourceServer.remotePath(), source, "copy.bin",
                                    "file.bin", false);
        const SessionNotice n = harness.outcome(destination);
        EXPECT_EQ(n.kind, c.kind);
        EXPECT_TRUE(c.text.empty() ? n.text.empty() : n.text.find(c.text) != std::string::npos) << n.text;
        if (c.kind == NoticeFailed)
            EXPECT_EQ(n.recovery, RecoveryRestart);
        EXPECT_EQ(destinationTree.read("copy.bin"), sourceTree.read("file.bin"));
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SiteToSiteTest,
                         ::testing::Values(Pair{ServerKind::Pyftpdlib, ServerKind::Vsftpd},
                                           Pair{ServerKind::Vsftpd, ServerKind::Pyftpdlib},
                                           Pair{ServerKind::Pyftpdlib, ServerKind::Pyftpdlib}),
                         pairName);

} // namespace
} // namespace varnix
