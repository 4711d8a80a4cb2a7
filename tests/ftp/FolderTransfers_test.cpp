#include "EngineOnServer.h"
#include "ftp/EntryNames.h"
#include "model/RemoteFolder.h"
#include "support/ScriptedServer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <map>

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

// Listed with a date only (older than six months), so the listing carries
// the time exactly: 2001-09-09 00:00 UTC.
constexpr std::time_t kListedTime = 999993600;

// Every entry below root by relative path: file content, "<folder>" or
// "-> " and a link's target, links not followed.
std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            out[rel] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            out[rel] = "<folder>";
        else
            out[rel] = std::string(std::istreambuf_iterator<char>(std::ifstream(it->path(), std::ios::binary).rdbuf()),
                                   std::istreambuf_iterator<char>());
    }
    return out;
}

std::int64_t mtimeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

class FolderTransfersOnServer : public EngineOnServer {
protected:
    void SetUp() override { start(); }

    // The summary ends every folder transfer.
    SessionNotice summary() const
    {
        auto progress = h->target.ofKind(NoticeProgress);
        EXPECT_FALSE(progress.empty());
        return progress.empty() ? SessionNotice{} : progress.back();
    }

    void expectSummary(std::uint64_t total) const
    {
        SessionNotice last = summary();
        EXPECT_EQ(last.moved, total);
        EXPECT_EQ(last.offset, 0u);
        EXPECT_EQ(last.expected, total);
        EXPECT_EQ(last.text, "");
    }

    void writeSampleTree(TempTree& into, const std::string& top)
    {
        into.writeSized(top + "/a.txt", 300, 1);
        into.writeSized(top + "/sub/b.bin", 100000, 2);
        into.writeSized(top + "/sub/deeper/c.txt", 17, 3);
        into.write(top + "/sub/deeper/zero", "");
        into.mkdir(top + "/empty");
    }
};

TEST_P(FolderTransfersOnServer, DownloadCopiesEveryFolderAndByte)
{
    writeSampleTree(tree, "top");
    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);
    EXPECT_EQ(snapshot(local.path("copy")), snapshot(tree.path("top")));
    expectSummary(300 + 100000 + 17);
}

TEST_P(FolderTransfersOnServer, DownloadGivesFilesAndFoldersTheRemoteTimes)
{
    tree.write("top/sub/f.txt", "x");
    tree.setMtime("top/sub/f.txt", kListedTime);
    tree.setMtime("top/sub", kListedTime);
    tree.setMtime("top", kListedTime + 86400);
    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);
    EXPECT_EQ(mtimeOf(local.path("copy/sub/f.txt")), kListedTime);
    EXPECT_EQ(mtimeOf(local.path("copy/sub")), kListedTime);
    EXPECT_EQ(mtimeOf(local.path("copy")), kListedTime + 86400);
}

TEST_P(FolderTransfersOnServer, UploadCopiesEveryFolderAndByte)
{
    writeSampleTree(local, "src");
    engine().UploadFolder(remote(), "up", local.path("src").string(), false, false);
    EXPECT_EQ(snapshot(tree.path("up")), snapshot(local.path("src")));
    expectSummary(300 + 100000 + 17);
}

TEST_P(FolderTransfersOnServer, UploadListsEachUploadedFolderAfresh)
{
    local.write("src/a.txt", "x");
    tree.mkdir("up");
    engine().ListFolder(remote("up"), {}, false);
    engine().UploadFolder(remote(), "up", local.path("src").string(), false, false);
    EXPECT_FALSE(cached(remote("up")));
    EXPECT_TRUE(engine().ListFolder(remote("up"), {}, false)->find("a.txt"));
}

TEST_P(FolderTransfersOnServer, OnlyNewerDownloadSkipsFilesThatAreNotOlderLocally)
{
    tree.write("top/same.txt", "remote same");
    tree.write("top/newer.txt", "remote newer");
    tree.setMtime("top/same.txt", kListedTime);
    tree.setMtime("top/newer.txt", kListedTime);
    local.write("copy/same.txt", "local");
    local.write("copy/newer.txt", "local");
    local.setMtime("copy/same.txt", kListedTime);
    local.setMtime("copy/newer.txt", kListedTime - 1);

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, true);

    EXPECT_EQ(local.read("copy/same.txt"), "local");
    EXPECT_EQ(local.read("copy/newer.txt"), "remote newer");
    expectSummary(12);
}

TEST_P(FolderTransfersOnServer, OnlyNewerUploadSkipsFilesThatAreNotNewerLocally)
{
    tree.write("up/same.txt", "remote");
    tree.write("up/older.txt", "remote");
    tree.setMtime("up/same.txt", kListedTime);
    tree.setMtime("up/older.txt", kListedTime);
    local.write("src/same.txt", "local same");
    local.write("src/older.txt", "local newer");
    local.write("src/fresh.txt", "not there yet");
    local.setMtime("src/same.txt", kListedTime);
    local.setMtime("src/older.txt", kListedTime + 1);

    engine().UploadFolder(remote(), "up", local.path("src").string(), false, true);

    EXPECT_EQ(tree.read("up/same.txt"), "remote");
    EXPECT_EQ(tree.read("up/older.txt"), "local newer");
    EXPECT_EQ(tree.read("up/fresh.txt"), "not there yet");
    expectSummary(11 + 13);
}

TEST_P(FolderTransfersOnServer, RefusedFileInADownloadIsSkipped)
{
    tree.write("top/a.txt", "first");
    tree.write("top/gone.txt", "vanishes");
    tree.write("top/sub/z.txt", "last");
    // The cached listing still names the file the server no longer has.
    engine().ListFolder(remote("top"), {}, false);
    fs::remove(tree.path("top/gone.txt"));

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);

    EXPECT_EQ(local.read("copy/a.txt"), "first");
    EXPECT_EQ(local.read("copy/sub/z.txt"), "last");
    expectSummary(5 + 4);
}

TEST_P(FolderTransfersOnServer, RefusedFileInAnUploadIsSkipped)
{
    tree.mkdir("up/blocked"); // a folder where the upload wants a file
    local.write("src/blocked", "cannot land");
    local.write("src/fine.txt", "lands");
    local.write("src/sub/also.txt", "lands too");

    engine().UploadFolder(remote(), "up", local.path("src").string(), false, false);

    EXPECT_TRUE(fs::is_directory(tree.path("up/blocked")));
    EXPECT_EQ(tree.read("up/fine.txt"), "lands");
    EXPECT_EQ(tree.read("up/sub/also.txt"), "lands too");
    expectSummary(5 + 9);
}

TEST_P(FolderTransfersOnServer, LocalFileInTheWayOfTheFolderIsReplaced)
{
    tree.write("top/sub/f.txt", "content");
    local.write("copy", "a file where the folder goes");
    local.write("keep/sub", "a file where a subfolder goes");
    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);
    EXPECT_EQ(local.read("copy/sub/f.txt"), "content");
    engine().DownloadFolder(remote(), local.path("keep").string(), "top", false, false);
    EXPECT_EQ(local.read("keep/sub/f.txt"), "content");
}

TEST_P(FolderTransfersOnServer, LocalFolderThatCannotBeMadeEndsTheDownload)
{
    tree.write("top/f.txt", "content");
    const std::string where = local.path("no/such/parent").string();
    try {
        engine().DownloadFolder(remote(), where, "top", false, false);
        FAIL() << "the missing parent was not reported";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Creating local folder " + where + " Failed");
    }
}

TEST_P(FolderTransfersOnServer, LinkBackToAnAncestorBecomesALocalLink)
{
    tree.write("top/a.txt", "a");
    tree.write("top/sub/b.txt", "b");
    tree.symlink("top/sub/up", "..");

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);

    EXPECT_EQ(snapshot(local.path("copy")),
              (std::map<std::string, std::string>{
                  {"a.txt", "a"}, {"sub", "<folder>"}, {"sub/b.txt", "b"}, {"sub/up", "-> .."}}));
}

// A link listed before the folder it leads to: the real folder still
// arrives whole, and each link inside the tree is made again as a link.
TEST_P(FolderTransfersOnServer, LinkListedFirstLeavesNoRealFolderEmpty)
{
    tree.write("top/sub/f.txt", "f");
    tree.write("top/sub/deeper/g.txt", "g");
    tree.symlink("top/alink", "sub");
    tree.symlink("top/sub/deeper/aback", "../..");
    const std::string listing = fetchListing(*server, remote("top"));
    ASSERT_LT(listing.find(" alink -> sub\r\n"), listing.find(" sub\r\n")) << listing;

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);

    EXPECT_EQ(snapshot(local.path("copy")),
              (std::map<std::string, std::string>{{"alink", "-> sub"},
                                                  {"sub", "<folder>"},
                                                  {"sub/f.txt", "f"},
                                                  {"sub/deeper", "<folder>"},
                                                  {"sub/deeper/g.txt", "g"},
                                                  {"sub/deeper/aback", "-> ../.."}}));
    expectSummary(2);
}

// Two links to one folder outside the tree: it is copied once, under the
// link met first, and a loop inside it ends.
TEST_P(FolderTransfersOnServer, FolderOutsideIsCopiedOnceAndItsLoopsEnd)
{
    tree.write("shared/s.txt", "shared");
    tree.symlink("shared/self", ".");
    tree.write("top/a.txt", "a");
    tree.symlink("top/ln", "../shared");
    tree.symlink("top/ln2", "../shared");

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);

    EXPECT_EQ(snapshot(local.path("copy")),
              (std::map<std::string, std::string>{{"a.txt", "a"},
                                                  {"ln", "<folder>"},
                                                  {"ln/s.txt", "shared"},
                                                  {"ln/self", "-> ."},
                                                  {"ln2", "-> ln"}}));
    expectSummary(1 + 6);
}

TEST_P(FolderTransfersOnServer, LinkToAFolderOutsideIsCopiedAsAFolder)
{
    tree.write("shared/s.txt", "shared");
    tree.write("top/a.txt", "a");
    tree.symlink("top/ln", "../shared");

    engine().DownloadFolder(remote(), local.path("copy").string(), "top", false, false);

    EXPECT_EQ(local.read("copy/ln/s.txt"), "shared");
}

TEST_P(FolderTransfersOnServer, UploadReplacesARemoteFileOfTheFoldersName)
{
    tree.write("up", "a remote file named like the folder");
    local.write("src/a.txt", "a");
    engine().UploadFolder(remote(), "up", local.path("src").string(), false, false);
    EXPECT_EQ(tree.read("up/a.txt"), "a");
}

TEST_P(FolderTransfersOnServer, UploadFollowsLinksToFilesButNotToFolders)
{
    local.write("src/real.txt", "real");
    local.symlink("src/alias.txt", "real.txt");
    local.write("src/sub/inner.txt", "inner");
    local.symlink("src/sub/loop", ".."); // followed, this would never end
    local.symlink("src/dangling", "nowhere");

    engine().UploadFolder(remote(), "up", local.path("src").string(), false, false);

    EXPECT_EQ(snapshot(tree.path("up")),
              (std::map<std::string, std::string>{{"real.txt", "real"},
                                                  {"alias.txt", "real"},
                                                  {"sub", "<folder>"},
                                                  {"sub/inner.txt", "inner"}}));
    auto texts = statusTexts();
    EXPECT_EQ(countOf(texts, "Skipping link to folder " + local.path("src/sub/loop").string()), 1u);
    EXPECT_EQ(countOf(texts, "Skipping special file " + local.path("src/dangling").string()), 1u);
}

TEST_P(FolderTransfersOnServer, UnreadableLocalFolderFailsBeforeAnythingIsSent)
{
    tree.write("up", "must survive");
    const auto from = mark();
    const std::string where = local.path("missing").string();
    try {
        engine().UploadFolder(remote(), "up", where, false, false);
        FAIL() << "the missing local folder was not reported";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Reading local folder " + where + " Failed");
    }
    EXPECT_EQ(tree.read("up"), "must survive");
    EXPECT_TRUE(since(from).empty());
}

VARNIX_ON_BOTH_SERVERS(FolderTransfersOnServer);

// A control connection that drops in the middle of a walk ends it.
TEST(FolderTransfersFailing, NetworkFailureEndsTheWalk)
{
    TempTree tree{"varnix-served"}, local{"varnix-local"};
    tree.write("top/a.txt", "a");
    tree.write("top/b.txt", "b");
    ServerOptions options;
    options.closeControlOn = "RETR";
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    EngineHarness h(server.host(), server.port());
    h.set(Setting::RecvTimeout, 5);
    h.engine.Connect();

    EXPECT_THROW(h.engine.DownloadFolder(server.remotePath(), local.path("copy").string(), "top", false, false),
                 CNetException);
    for (const SessionNotice& n : h.target.ofKind(NoticeProgress))
        EXPECT_EQ(n.text, "a.txt") << "only the first file's own notices, no summary";
}

// --- a hostile listing, staged ---

void scriptLogin(ScriptedServer& s)
{
    s.greet("220 ready").reply("331 password").reply("230 in").reply("200 binary").reply("500 FEAT?");
}

TEST(FolderTransfersScripted, HostileNamesNeverReachOutsideTheTarget)
{
    ScriptedServer s;
    scriptLogin(s);
    s.reply("250 ok").replyPasv().serveData("drwxr-xr-x 2 o g 0 Jan 1 2001 top\r\n"); // /pub, for the time
    s.reply("250 ok").reply("257 \"/pub/top\" is the current directory");           // CWD top, PWD
    s.replyPasv().serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 ../../x\r\n"
                            "drwxr-xr-x 2 o g 0 Jan 1 2001 /etc/x\r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 a/b\r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 \r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 ..\r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 ok\r\n");
    s.replyPasv().serveData("hello");
    s.start();
    TempTree local;
    local.mkdir("a/b");
    EngineHarness h(s.host(), s.port());
    h.set(Setting::RecvTimeout, 2);
    h.set(Setting::SendTimeout, 2);
    h.set(Setting::PasvMode, 1);
    h.set(Setting::Encryption, 0);
    h.engine.Connect();

    h.engine.DownloadFolder("/pub", local.path("a/b/target").string(), "top", false, false);

    EXPECT_EQ(s.failure(), "");
    // "../../x" from the target would land at the top of the temporary tree.
    EXPECT_EQ(snapshot(local.root()),
              (std::map<std::string, std::string>{{"a", "<folder>"},
                                                  {"a/b", "<folder>"},
                                                  {"a/b/target", "<folder>"},
                                                  {"a/b/target/ok", "hello"}}));
    std::vector<std::string> retrieved;
    for (const auto& c : s.commands())
        if (c.starts_with("RETR "))
            retrieved.push_back(c);
    EXPECT_EQ(retrieved, (std::vector<std::string>{"RETR ok"}));
}

// The walk's own guard, for names that a listing reader might one day let through.
TEST(FolderTransfersNames, OnlyPlainNamesAreActedOn)
{
    for (const char* bad : {"", ".", "..", "a/b", "/etc/x", "../../x", "x/"})
        EXPECT_FALSE(isPlainEntryName(bad)) << bad;
    for (const char* good : {"a", "...", "..x", ".hidden", "with space", "\xe9t\xe9"})
        EXPECT_TRUE(isPlainEntryName(good)) << good;
}

} // namespace
} // namespace varnix::test
