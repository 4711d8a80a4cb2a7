// Copies checked against the server's hash of them, on real servers.

#include "EngineOnServer.h"
#include "model/RemoteFolder.h"
#include "support/HasLine.h"

#include <gtest/gtest.h>

namespace varnix::test {
namespace {

class VerifiedCopies : public EngineOnServer {
protected:
    // A download of down.bin and an upload of up.bin in one task.
    std::string copyBoth()
    {
        tree.writeSized("down.bin", 300000, 1);
        const auto up = local.writeSized("up.bin", 300000, 2);
        engine().StartCopyChecks();
        engine().Download(remote(), local.path("down.bin").string(), "down.bin", false, {});
        engine().Upload(remote(), "up.bin", up.string(), false, {});
        return engine().FinishCopyChecks();
    }
    std::vector<std::string> hashCommands(std::size_t from) const
    {
        std::vector<std::string> found;
        for (const std::string& c : since(from))
            if (c.starts_with("HASH") || c.starts_with("OPTS HASH") || c.starts_with("X"))
                found.push_back(c);
        return found;
    }
};

// Each offer gets its own server; the strongest offered algorithm is used.
TEST_P(VerifiedCopies, DownloadAndUploadAreVerifiedWithTheStrongestOfferedHash)
{
    struct Case {
        std::string hashes, xHashes, algorithm;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"SHA-256,SHA-1,MD5,CRC32", "XMD5", "SHA-256", {"HASH down.bin", "HASH up.bin"}},
        {"CRC32,SHA-1", "", "SHA-1", {"OPTS HASH SHA-1", "HASH down.bin", "HASH up.bin"}},
        {"", "XCRC,XMD5", "MD5", {"XMD5 down.bin", "XMD5 up.bin"}},
        {"", "XCRC", "CRC32", {"XCRC down.bin", "XCRC up.bin"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hashes + c.xHashes);
        ServerOptions options;
        options.hashes = c.hashes;
        options.xHashes = c.xHashes;
        start(options);
        const std::size_t before = mark();
        EXPECT_EQ(copyBoth(), "Verified all 2 files");
        EXPECT_EQ(hashCommands(before), c.commands);
        EXPECT_TRUE(hasLine(statusTexts(), "Verified " + c.algorithm + " of down.bin"));
        EXPECT_TRUE(hasLine(statusTexts(), "Verified " + c.algorithm + " of up.bin"));
    }
}

TEST_P(VerifiedCopies, AWrongHashFailsTheCopyAndAFolderWalkGoesOnToReportItAtTheEnd)
{
    ServerOptions options;
    options.hashes = "SHA-256";
    options.hashMismatches = 2;
    start(options);
    tree.writeSized("one.bin", 5000, 1);
    engine().StartCopyChecks();
    try {
        engine().Download(remote(), local.path("one.bin").string(), "one.bin", false, {});
        ADD_FAILURE() << "a wrong hash passed";
    } catch (const CFTPException& e) {
        EXPECT_EQ(e.message, "Verification failed: the server's SHA-256 of one.bin differs from the local copy");
        EXPECT_EQ(e.recovery, RecoveryRestart);
    }
    engine().StartCopyChecks();
    tree.writeSized("top/a.bin", 5000, 2);
    tree.writeSized("top/b.bin", 5000, 3);
    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);
    EXPECT_EQ(local.read("copy/b.bin"), TempTree::sizedContent(5000, 3)); // the walk went on
    EXPECT_THROW(engine().FinishCopyChecks(), CFTPException);
    EXPECT_EQ(engine().FinishCopyChecks(), ""); // the next task starts clean
    EXPECT_EQ(copyBoth(), "Verified all 2 files");
}

// A refused hash (no such file here) only leaves
// the copy unverified, as does the setting off, which sends no hash command.
TEST_P(VerifiedCopies, WithoutAUsableHashTheCopyStaysUnverified)
{
    ServerOptions options;
    options.hashes = "SHA-256";
    start(options);
    h->set(Setting::Verify, 0);
    std::size_t before = mark();
    EXPECT_EQ(copyBoth(), "");
    EXPECT_TRUE(hashCommands(before).empty());
    h->set(Setting::Verify, 1);
    tree.writeSized("gone.bin", 10, 1);
    engine().StartCopyChecks();
    engine().Download(remote(), local.path("gone.bin").string(), "gone.bin", false, {});
    engine().VerifyCopy(remote(), "missing.bin", local.path("gone.bin").string());
    EXPECT_EQ(engine().FinishCopyChecks(), "");
    EXPECT_TRUE(hasLine(statusTexts(), "Not verified: 550 No such file."));
}

// The server reads the whole file before it answers: its reply gets more
// time than RecvTimeout, and the connection stays in step afterwards.
TEST_P(VerifiedCopies, ASlowHashReplyIsWaitedFor)
{
    ServerOptions options;
    options.hashes = "SHA-256";
    options.hashDelay = 1.4;
    start(options);
    h->set(Setting::RecvTimeout, 1);
    EXPECT_EQ(copyBoth(), "Verified all 2 files");
}

INSTANTIATE_TEST_SUITE_P(Servers, VerifiedCopies, ::testing::Values(ServerKind::Pyftpdlib), serverName);

// A server without hash commands copies exactly as before.
class UnverifiedCopies : public VerifiedCopies {};

TEST_P(UnverifiedCopies, AServerWithoutHashCommandsIsNeverAsked)
{
    start();
    const std::size_t before = mark();
    EXPECT_EQ(copyBoth(), "");
    EXPECT_TRUE(hashCommands(before).empty());
    EXPECT_EQ(local.read("down.bin"), TempTree::sizedContent(300000, 1));
}

VARNIX_ON_BOTH_SERVERS(UnverifiedCopies);

} // namespace
} // namespace varnix::test
