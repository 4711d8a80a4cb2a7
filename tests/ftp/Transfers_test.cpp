#include "EngineOnServer.h"
#include "ftp/LocalFile.h"
#include "model/RemoteFolder.h"
#include "support/SameBytes.h"
#include "support/ScriptedServer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnix::test {
namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;
constexpr std::uint64_t kGiB = 1024 * kMiB;

std::int64_t mtimeOf(const std::filesystem::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

// The bytes of a file from offset on.
std::string tailOf(const std::filesystem::path& path, std::uint64_t offset, std::size_t length)
{
    std::string bytes(length, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path;
    const ssize_t got = ::pread(fd, bytes.data(), length, static_cast<off_t>(offset));
    ::close(fd);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

void writeAt(const std::filesystem::path& path, std::uint64_t offset, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

// Checks the notices of one call: a first one at zero, moved growing to the
// total, offset and expected as given, and the final one carrying moved.
void expectProgress(const std::vector<SessionNotice>& notices, std::uint64_t offset, std::uint64_t expected,
                    std::uint64_t total, bool finalNotice)
{
    ASSERT_GE(notices.size(), 2u);
    EXPECT_EQ(notices.front().elapsed, 0u);
    EXPECT_EQ(notices.front().moved, 0u);
    EXPECT_EQ(notices.front().expected, expected);
    std::uint64_t moved = 0, elapsed = 0;
    for (const auto& n : notices) {
        EXPECT_EQ(n.offset, offset);
        EXPECT_GE(n.moved, moved);
        EXPECT_GE(n.elapsed, elapsed);
        moved = n.moved;
        elapsed = n.elapsed;
    }
    EXPECT_EQ(moved, total);
    const SessionNotice& last = notices.back();
    EXPECT_EQ(last.expected, finalNotice ? total : expected);
    if (finalNotice) {
        EXPECT_EQ(last.elapsed, notices[notices.size() - 2].elapsed);
    }
}

// No notice reports more than one block of the configured size.
void expectBlocksAtMost(const std::vector<SessionNotice>& notices, std::uint64_t block)
{
    std::uint64_t moved = 0;
    for (const auto& n : notices) {
        EXPECT_LE(n.moved - moved, block) << "a block larger than the buffer";
        moved = n.moved;
    }
}

class TransfersOnServer : public EngineOnServer {
protected:
    void SetUp() override { start(); }
    std::vector<SessionNotice> progress() const { return h->target.ofKind(NoticeProgress); }
};

TEST_P(TransfersOnServer, DownloadReplacesTheLocalFileAndTakesTheRemoteTime)
{
    tree.writeSized("data.bin", 100000, 7);
    tree.setMtime("data.bin", 1000000000); // 2001: listed with a date only
    const auto path = local.write("data.bin", std::string(200000, 'x'));
    h->set(Setting::RecvBuffer, 4096);
    const std::size_t before = mark();

    EXPECT_EQ(engine().Download(remote(), path.string(), "data.bin", false, {}), 100000u);
    EXPECT_EQ(local.read("data.bin"), TempTree::sizedContent(100000, 7));
    EXPECT_EQ(mtimeOf(path), 1000000000); // to the second: MLSD's modify fact, or MDTM
    auto sent = commandsSince(before);
    const bool machine = GetParam() == ServerKind::Pyftpdlib;
    EXPECT_EQ(countOf(sent, machine ? "MLSD" : "LIST -A"), 1u); // the size came from the listing
    EXPECT_EQ(countOf(sent, "MDTM data.bin"), machine ? 0u : 1u);
    EXPECT_EQ(countOf(sent, "SIZE data.bin"), 0u);
    EXPECT_EQ(countOf(sent, "RETR data.bin"), 1u);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](auto& c) { return c.starts_with("REST"); }), 0);
    expectProgress(progress(), 0, 100000, 100000, true);
    EXPECT_GE(progress().size(), 2u + 100000 / 4096);
}

// pyftpdlib offers MFMT, vsftpd does not (its copy gets the upload's time).
TEST_P(TransfersOnServer, UploadKeepsTheLocalTimeWhereMfmtIsOffered)
{
    const auto path = local.write("up.bin", "upload");
    local.setMtime("up.bin", 1000000007);
    const std::size_t before = mark();
    EXPECT_EQ(engine().Upload(remote(), "up.bin", path.string(), false, {}), 6u);
    const bool offered = GetParam() == ServerKind::Pyftpdlib;
    EXPECT_EQ(countOf(commandsSince(before), "MFMT 20010909014647 up.bin"), offered ? 1u : 0u);
    if (offered) {
        EXPECT_EQ(mtimeOf(tree.path("up.bin")), 1000000007);
    }
    EXPECT_EQ(engine().GetRemoteTime(remote(), "up.bin"), mtimeOf(tree.path("up.bin")));
}

// Large enough to be written out several times on the way; an odd block
// size so that no block lines up with a page. The resume starts mid-page.
TEST_P(TransfersOnServer, LargeDownloadMovesBlockByBlockAndResumesToTheByte)
{
    const std::uint64_t size = 3 * kMiB + 17;
    tree.writeSized("big.bin", size, 5);
    h->set(Setting::RecvBuffer, 1000);
    const auto path = local.path("big.bin");

    EXPECT_EQ(engine().Download(remote(), path.string(), "big.bin", false, {}), size);
    EXPECT_TRUE(sameBytes(local.read("big.bin"), TempTree::sizedContent(size, 5)));
    expectProgress(progress(), 0, size, size, true);
    expectBlocksAtMost(progress(), 1000);

    ::truncate(path.c_str(), static_cast<off_t>(kMiB + 5));
    EXPECT_EQ(engine().Download(remote(), path.string(), "big.bin", true, {}), size - kMiB - 5);
    EXPECT_TRUE(sameBytes(local.read("big.bin"), TempTree::sizedContent(size, 5)));
}

TEST_P(TransfersOnServer, ResumedDownloadRestartsAtTheLocalLength)
{
    tree.writeSized("doc.txt", 1000);
    const auto path = local.writeSized("doc.txt", 400);
    const std::size_t before = mark();

    EXPECT_EQ(engine().Download(remote(), path.string(), "doc.txt", true, {}), 600u);
    EXPECT_EQ(local.read("doc.txt"), TempTree::sizedContent(1000));
    auto sent = commandsSince(before);
    auto rest = std::find(sent.begin(), sent.end(), "REST 400");
    ASSERT_NE(rest, sent.end());
    EXPECT_EQ(*(rest + 1), "RETR doc.txt");
    EXPECT_EQ(sent.back(), "REST 0");
    expectProgress(progress(), 400, 600, 600, true);
}

TEST_P(TransfersOnServer, ResumeOfACompleteFileSendsNothing)
{
    tree.writeSized("done.txt", 1000);
    const auto path = local.writeSized("done.txt", 1000);
    engine().ListFolder(remote(), {}, false);
    const std::size_t before = mark();
    const std::string logBefore = h->log();

    EXPECT_EQ(engine().Download(remote(), path.string(), "done.txt", true, {}), 0u);
    EXPECT_TRUE(commandsSince(before).empty());
    EXPECT_EQ(h->log(), logBefore);
    ASSERT_EQ(progress().size(), 1u);
    const SessionNotice n = progress().front();
    EXPECT_EQ(n.elapsed, 0u);
    EXPECT_EQ(n.moved, 0u);
    EXPECT_EQ(n.offset, 1000u);
    EXPECT_EQ(n.expected, 0u);
}

TEST_P(TransfersOnServer, ResumeAbove4GiBMovesOnlyTheTail)
{
    const std::string tail = TempTree::sizedContent(1 * kMiB, 3);
    const auto served = tree.makeSparse("huge.img", 4 * kGiB + 1 * kMiB);
    writeAt(served, 4 * kGiB, tail);
    const auto path = local.makeSparse("huge.img", 4 * kGiB);
    h->set(Setting::RecvBuffer, 64 * kKiB);
    const std::size_t before = mark();

    EXPECT_EQ(engine().Download(remote(), path.string(), "huge.img", true, {}), 1 * kMiB);
    EXPECT_EQ(std::filesystem::file_size(path), 4 * kGiB + 1 * kMiB);
    EXPECT_TRUE(tailOf(path, 4 * kGiB, 1 * kMiB) == tail);
    EXPECT_EQ(countOf(commandsSince(before), "REST 4294967296"), 1u);
    expectProgress(progress(), 4 * kGiB, 1 * kMiB, 1 * kMiB, true);
}

TEST_P(TransfersOnServer, RefusedRetrKeepsTheLocalCopy)
{
    const auto path = local.write("keep.txt", "precious");
    const std::size_t before = mark();
    EXPECT_THROW(engine().Download(remote(), path.string(), "absent.txt", false, {}), CFTPException);
    EXPECT_EQ(local.read("keep.txt"), "precious");
    auto sent = commandsSince(before);
    EXPECT_EQ(countOf(sent, "SIZE absent.txt"), 1u); // not in the listing, so asked
    EXPECT_EQ(countOf(sent, "RETR absent.txt"), 1u);
}

TEST_P(TransfersOnServer, RefusedRetrLeavesNoEmptyFileBehind)
{
    const auto path = local.path("absent.txt");
    EXPECT_THROW(engine().Download(remote(), path.string(), "absent.txt", false, {}), CFTPException);
    EXPECT_THROW(engine().Download(remote(), path.string(), "absent.txt", true, {}), CFTPException);
    EXPECT_FALSE(std::filesystem::exists(path));
    // One that was there already stays, even empty.
    local.write("empty.txt", "");
    EXPECT_THROW(engine().Download(remote(), local.path("empty.txt").string(), "absent.txt", false, {}),
                 CFTPException);
    EXPECT_TRUE(std::filesystem::exists(local.path("empty.txt")));
}

TEST_P(TransfersOnServer, UnopenableLocalFileFailsBeforeAnythingIsSent)
{
    tree.writeSized("data.bin", 10);
    const std::string path = local.path("no/such/folder/data.bin").string();
    const std::size_t before = mark();
    try {
        engine().Download(remote(), path, "data.bin", false, {});
        FAIL() << "no failure";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Cannot open " + path + ": No such file or directory");
        EXPECT_EQ(failure.path, path);
    }
    try {
        engine().Upload(remote(), "x", local.root().string(), false, {});
        FAIL() << "no failure";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Cannot open " + local.root().string() + ": Is a directory");
    }
    EXPECT_TRUE(commandsSince(before).empty());
    EXPECT_TRUE(progress().empty());
}

TEST_P(TransfersOnServer, LocalWriteFailureLeavesControlInStep)
{
    tree.writeSized("data.bin", 300000);
    try {
        engine().Download(remote(), "/dev/full", "data.bin", true, {});
        FAIL() << "no failure";
    } catch (const CFileException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Cannot write /dev/full: No space left on device");
    }
    ASSERT_TRUE(engine().IsConnected());
    engine().RefreshFolder(remote()); // a listing works: the transfer's reply was consumed
    EXPECT_TRUE(cached(remote())->find("data.bin"));
}

TEST_P(TransfersOnServer, UploadStoresTheFileAndEmptiesTheCacheSlot)
{
    const auto path = local.writeSized("up.bin", 50000, 9);
    engine().ListFolder(remote(), {}, false);
    h->set(Setting::SendBuffer, 4096);
    const std::size_t before = mark();

    EXPECT_EQ(engine().Upload(remote(), "up.bin", path.string(), false, {}), 50000u);
    EXPECT_EQ(tree.read("up.bin"), TempTree::sizedContent(50000, 9));
    EXPECT_EQ(countOf(commandsSince(before), "STOR up.bin"), 1u);
    EXPECT_FALSE(cached(remote()));
    EXPECT_TRUE(LockedAccess<SiteContext>(h->site)->cache().hasKey(remote()));
    expectProgress(progress(), 0, 50000, 50000, false);
}

TEST_P(TransfersOnServer, UploadWithinAFolderTransferKeepsTheCache)
{
    const auto path = local.writeSized("part.bin", 10);
    FolderHandle listed = engine().ListFolder(remote(), {}, false);
    engine().Upload(remote(), "part.bin", path.string(), false, "part.bin");
    EXPECT_TRUE(cached(remote()).sameAs(listed));
    EXPECT_EQ(progress().front().text, "part.bin");
}

TEST_P(TransfersOnServer, ResumedUploadAppendsFromTheServerSize)
{
    tree.writeSized("grow.bin", 400, 5);
    const auto path = local.writeSized("grow.bin", 1000, 5);
    const std::size_t before = mark();

    EXPECT_EQ(engine().Upload(remote(), "grow.bin", path.string(), true, {}), 600u);
    EXPECT_EQ(tree.read("grow.bin"), TempTree::sizedContent(1000, 5));
    auto sent = commandsSince(before);
    EXPECT_EQ(countOf(sent, "SIZE grow.bin"), 1u);
    EXPECT_EQ(countOf(sent, "APPE grow.bin"), 1u);
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](auto& c) { return c.starts_with("REST"); }), 0);
    expectProgress(progress(), 400, 600, 600, false);
    EXPECT_EQ(local.read("grow.bin"), TempTree::sizedContent(1000, 5));
}

// Larger than one read-ahead of the file, in blocks that line up with
// nothing; the resume starts mid-page of the local file.
TEST_P(TransfersOnServer, LargeUploadMovesBlockByBlockAndResumesToTheByte)
{
    const std::uint64_t size = 3 * kMiB + 17;
    const auto path = local.writeSized("big.bin", size, 6);
    h->set(Setting::SendBuffer, 1000);

    EXPECT_EQ(engine().Upload(remote(), "big.bin", path.string(), false, {}), size);
    EXPECT_TRUE(sameBytes(tree.read("big.bin"), TempTree::sizedContent(size, 6)));
    expectProgress(progress(), 0, size, size, false);
    expectBlocksAtMost(progress(), 1000);

    ::truncate(tree.path("big.bin").c_str(), static_cast<off_t>(2 * kMiB + 3));
    engine().RefreshFolder(remote()); // the size comes from a fresh listing
    EXPECT_EQ(engine().Upload(remote(), "big.bin", path.string(), true, {}), size - 2 * kMiB - 3);
    EXPECT_TRUE(sameBytes(tree.read("big.bin"), TempTree::sizedContent(size, 6)));
}

TEST_P(TransfersOnServer, ResumedUploadOfAMissingFileAppendsEverything)
{
    const auto path = local.writeSized("fresh.bin", 700);
    EXPECT_EQ(engine().Upload(remote(), "fresh.bin", path.string(), true, {}), 700u);
    EXPECT_EQ(tree.read("fresh.bin"), TempTree::sizedContent(700));
    EXPECT_EQ(progress().front().offset, 0u);
}

TEST_P(TransfersOnServer, ResumedUploadOfACompleteFileSendsNothingMore)
{
    tree.writeSized("same.bin", 300);
    const auto path = local.writeSized("same.bin", 300);
    const std::size_t before = mark();
    EXPECT_EQ(engine().Upload(remote(), "same.bin", path.string(), true, {}), 0u);
    auto sent = commandsSince(before);
    EXPECT_EQ(sent, (std::vector<std::string>{"CWD " + remote(), "SIZE same.bin"}));
    ASSERT_EQ(progress().size(), 1u);
    EXPECT_EQ(progress().front().moved, 0u);
    EXPECT_EQ(progress().front().offset, 300u);
    EXPECT_EQ(progress().front().expected, 0u);
}

TEST_P(TransfersOnServer, RefusedUploadLeavesTheLocalFileAlone)
{
    tree.mkdir("taken");
    const auto path = local.writeSized("taken", 100);
    local.setMtime("taken", 1000000000);
    EXPECT_THROW(engine().Upload(remote(), "taken", path.string(), false, {}), CFTPException);
    EXPECT_EQ(local.read("taken"), TempTree::sizedContent(100));
    EXPECT_EQ(mtimeOf(path), 1000000000);
}

INSTANTIATE_TEST_SUITE_P(Servers, TransfersOnServer,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd), nameOfKind);

// --- pyftpdlib's misbehaviour switches ---

class TransfersMisbehaving : public EngineOnServer {
protected:
    std::vector<SessionNotice> progress() const { return h->target.ofKind(NoticeProgress); }
};

TEST_P(TransfersMisbehaving, RefusedSizeDoesNotMatterForAListedFile)
{
    // pyftpdlib lists dot files too, so the unlisted case is staged below.
    tree.writeSized("data.bin", 5000);
    start({.refuseSize = true});
    const auto path = local.path("data.bin").string();
    EXPECT_EQ(engine().Download(remote(), path, "data.bin", false, {}), 5000u);
    EXPECT_EQ(local.read("data.bin"), TempTree::sizedContent(5000));
}

TEST_P(TransfersMisbehaving, StalledDownloadWithoutReplyClosesControl)
{
    tree.writeSized("slow.bin", 200000);
    start({.stallDataAfter = 1000});
    h->set(Setting::RecvTimeout, 1);
    try {
        engine().Download(remote(), local.path("slow.bin").string(), "slow.bin", false, {});
        FAIL() << "stall not reported";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ETIMEDOUT);
    }
    EXPECT_FALSE(engine().IsConnected());
    EXPECT_EQ(local.read("slow.bin"), TempTree::sizedContent(1000)); // kept for a resume
}

TEST_P(TransfersMisbehaving, CutDownloadFailsAndResumeCompletesIt)
{
    tree.writeSized("cut.bin", 100000);
    start({.dropDataAfter = 30000});
    const auto path = local.path("cut.bin").string();
    try {
        engine().Download(remote(), path, "cut.bin", false, {});
        FAIL() << "cut not reported";
    } catch (const CFTPException& failure) {
        // "426 ... transfer aborted": a transient refusal, worth a retry.
        EXPECT_EQ(failure.message.substr(0, 1), "4") << failure.message;
        EXPECT_EQ(failure.recovery, RecoveryRetry);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 30000u);
    ASSERT_TRUE(engine().IsConnected());
    EXPECT_EQ(engine().Download(remote(), path, "cut.bin", true, {}), 70000u);
    EXPECT_EQ(local.read("cut.bin"), TempTree::sizedContent(100000));
}

TEST_P(TransfersMisbehaving, CutUploadForgetsTheCachedListingAndMayBeRetried)
{
    start({.dropDataAfter = 30000});
    const auto path = local.writeSized("up.bin", 400000, 3);
    engine().ListFolder(remote(), {}, false);
    ASSERT_TRUE(cached(remote()));
    try {
        engine().Upload(remote(), "up.bin", path.string(), false, {});
        FAIL() << "cut not reported";
    } catch (const CException& failure) {
        if (auto* reply = dynamic_cast<const CFTPException*>(&failure)) {
            EXPECT_EQ(reply->recovery, RecoveryRetry) << reply->message;
        }
    }
    // Part of the file is on the server now: the old listing must not give a resume its offset.
    EXPECT_FALSE(cached(remote()));
}

INSTANTIATE_TEST_SUITE_P(Servers, TransfersMisbehaving, ::testing::Values(ServerKind::Pyftpdlib), nameOfKind);

// --- exact sequences, staged ---

// CWD, then the listing that GetRemoteTime asks for.
void scriptListing(ScriptedServer& s, const std::string& lines)
{
    s.reply("250 ok").replyPasv().serveData(lines);
}

TEST(TransfersScripted, UnknownSizeDownloadsToTheEndOfTheData)
{
    const std::string content = TempTree::sizedContent(5000);
    ScriptedServer s;
    scriptPlainLogin(s);
    scriptListing(s, "");
    s.reply("550 SIZE not available").replyPasv().serveData(content);
    s.start();
    TempTree local;
    EngineOnScript e(s);
    e.engine().Connect();
    e.h.set(Setting::RecvBuffer, 512);

    EXPECT_EQ(e.h.engine.Download("/pub", local.path("hidden").string(), "hidden", false, {}), 5000u);
    EXPECT_EQ(local.read("hidden"), content);
    auto notices = e.h.target.ofKind(NoticeProgress);
    ASSERT_GE(notices.size(), 3u);
    for (std::size_t i = 0; i + 1 < notices.size(); ++i)
        EXPECT_EQ(notices[i].expected, kUnknownSize);
    EXPECT_EQ(notices.back().expected, 5000u);
    EXPECT_EQ(notices.back().moved, 5000u);
    EXPECT_EQ(s.commands().back(), "RETR hidden");
    EXPECT_EQ(s.failure(), "");
}

TEST(TransfersScripted, UnknownSizeNeverCountsAsComplete)
{
    // Even a resumed download of unknown size asks for the rest.
    ScriptedServer s;
    scriptPlainLogin(s);
    scriptListing(s, "");
    s.reply("550 no").replyPasv().reply("350 Restarting at 3").serveData("defg").reply("350 Restart reset");
    s.start();
    TempTree local;
    const auto path = local.write("f", "abc");
    EngineOnScript e(s);
    e.engine().Connect();

    EXPECT_EQ(e.h.engine.Download("/pub", path.string(), "f", true, {}), 4u);
    EXPECT_EQ(local.read("f"), "abcdefg");
    auto commands = s.commands();
    EXPECT_EQ(commands[commands.size() - 3], "REST 3");
    EXPECT_EQ(commands[commands.size() - 2], "RETR f");
    EXPECT_EQ(commands.back(), "REST 0");
    EXPECT_EQ(e.h.target.ofKind(NoticeProgress).front().expected, kUnknownSize);
}

TEST(TransfersScripted, LongerThanListedReportsUnknownExpected)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    scriptListing(s, "-rw-r--r-- 1 o g 10 Jan 1 2001 grown\r\n");
    s.replyPasv().serveData(std::string(30, 'g'));
    s.start();
    TempTree local;
    EngineOnScript e(s);
    e.engine().Connect();
    e.h.set(Setting::RecvBuffer, 8);

    EXPECT_EQ(e.h.engine.Download("/pub", local.path("grown").string(), "grown", false, {}), 30u);
    auto notices = e.h.target.ofKind(NoticeProgress);
    ASSERT_GE(notices.size(), 3u);
    for (const auto& n : notices) {
        const std::uint64_t wanted = &n == &notices.back() ? 30u : n.moved > 10 ? kUnknownSize : 10u;
        EXPECT_EQ(n.expected, wanted) << n.moved;
    }
}

TEST(TransfersScripted, ZeroBufferMovesNothingAndEnds)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    scriptListing(s, "-rw-r--r-- 1 o g 3 Jan 1 2001 f\r\n");
    s.replyPasv().serveData("abc").replyPasv().receiveData();
    s.start();
    TempTree local;
    const auto path = local.write("f", "xyz");
    EngineOnScript e(s);
    e.engine().Connect();
    e.h.set(Setting::RecvBuffer, 0);
    e.h.set(Setting::SendBuffer, 0);

    EXPECT_EQ(e.h.engine.Download("/pub", path.string(), "f", false, {}), 0u);
    EXPECT_EQ(e.h.engine.Upload("/pub", "g", path.string(), false, {}), 0u);
    ASSERT_EQ(s.uploads().size(), 1u);
    EXPECT_EQ(s.uploads()[0], "");
    EXPECT_EQ(s.commands().back(), "STOR g");
}

TEST(TransfersScripted, SizeReplyGivesTheUploadOffset)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok").reply("213 4").replyPasv().receiveData();
    s.start();
    TempTree local;
    const auto path = local.write("f", "0123456789");
    EngineOnScript e(s);
    e.engine().Connect();

    EXPECT_EQ(e.h.engine.Upload("/pub", "f", path.string(), true, {}), 6u);
    ASSERT_EQ(s.uploads().size(), 1u);
    EXPECT_EQ(s.uploads()[0], "456789");
    auto commands = s.commands();
    EXPECT_EQ(commands[commands.size() - 3], "SIZE f");
    EXPECT_EQ(commands.back(), "APPE f");
}

TEST(TransfersScripted, StalledDownloadWithAReplyKeepsControlInStep)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    scriptListing(s, "-rw-r--r-- 1 o g 100 Jan 1 2001 f\r\n");
    s.replyPasv()
        .serveDataAndHold(std::string(40, 'a'))
        .send("426 Transfer timed out\r\n")
        .reply("257 \"/pub\"");
    s.start();
    TempTree local;
    EngineOnScript e(s);
    e.engine().Connect();
    e.h.set(Setting::RecvTimeout, 1);

    EXPECT_THROW(e.h.engine.Download("/pub", local.path("f").string(), "f", false, {}), CNetException);
    ASSERT_TRUE(e.h.engine.IsConnected());
    e.h.engine.UpdateWorkingDirectory();
    EXPECT_EQ(e.h.engine.CurrentDirectory(), "/pub");
    EXPECT_EQ(local.read("f"), std::string(40, 'a'));
}

} // namespace
} // namespace varnix::test
