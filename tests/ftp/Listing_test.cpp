#include "EngineOnServer.h"
#include "model/RemoteFolder.h"
#include "support/ScriptedServer.h"

#include "model/ScopedTimeZone.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace varnix::test {
namespace {

std::int64_t mtimeOf(const std::filesystem::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

class ListingOnServer : public EngineOnServer {
protected:
    // pyftpdlib offers MLST, vsftpd only LIST.
    std::string listCommand() const { return GetParam() == ServerKind::Pyftpdlib ? "MLSD" : "LIST -A"; }

    void SetUp() override
    {
        tree.mkdir("docs/inner");
        tree.write("docs/readme", "r");
        tree.write("big.bin", std::string(300, 'b'));
        tree.mkdir("empty");
        tree.symlink("to-docs", "docs");
        tree.symlink("to-big", "big.bin");
        start();
    }
};

TEST_P(ListingOnServer, LinkToFolderBecomesFolderAndLinkToFileStaysFile)
{
    // pyftpdlib's MLSD reports what a link leads to (see MachineListing...
    // below); its LIST shows the link, as vsftpd's does.
    if (GetParam() == ServerKind::Pyftpdlib)
        start({.refuseMlsd = true});
    const std::size_t before = mark();
    FolderHandle folder = engine().ListFolder(remote(), {}, true);
    ASSERT_TRUE(folder);
    ASSERT_TRUE(folder->find("to-docs") && folder->find("to-big") && folder->find("docs"));
    EXPECT_TRUE(folder->find("to-docs")->isFolder());
    EXPECT_TRUE(folder->find("to-docs")->isLink());
    EXPECT_FALSE(folder->find("to-big")->isFolder());
    EXPECT_TRUE(folder->find("docs")->isFolder());

    // Each link is entered by its own name; only the one that worked leads back.
    auto sent = commandsSince(before);
    auto list = std::find(sent.begin(), sent.end(), "LIST -A");
    ASSERT_NE(list, sent.end());
    std::vector<std::string> afterList(list + 1, sent.end());
    auto intoFolderLink = std::find(afterList.begin(), afterList.end(), "CWD to-docs");
    ASSERT_NE(intoFolderLink, afterList.end());
    ASSERT_NE(intoFolderLink + 1, afterList.end());
    EXPECT_EQ(*(intoFolderLink + 1), "CWD " + remote());
    EXPECT_EQ(countOf(afterList, "CWD to-big"), 1u);
    EXPECT_EQ(countOf(afterList, "CWD " + remote()), 1u);

    auto texts = h->target.texts(NoticeStatus);
    EXPECT_EQ(countOf(texts, "Resolving symbolic links..."), 1u);
    EXPECT_EQ(countOf(texts, "Resolving symbolic links: 1/2"), 1u);
    EXPECT_EQ(countOf(texts, "Resolving symbolic links: 2/2"), 1u);
    EXPECT_EQ(h->target.texts(NoticeListed), std::vector<std::string>{remote()});
    EXPECT_TRUE(cached(remote()).sameAs(folder));
    EXPECT_FALSE(folder->find("big.bin")->typeText().empty()); // icons were built
}

TEST_P(ListingOnServer, CachedListingIsAnsweredWithoutAnyCommandButStillNotified)
{
    FolderHandle first = engine().ListFolder(remote(), {}, true);
    const std::size_t before = mark();
    const std::string logBefore = h->log();

    FolderHandle second = engine().ListFolder(remote(), {}, true);
    EXPECT_TRUE(second.sameAs(first));
    EXPECT_TRUE(commandsSince(before).empty());
    EXPECT_EQ(h->log(), logBefore);
    EXPECT_EQ(h->target.texts(NoticeListed), (std::vector<std::string>{remote(), remote()}));

    // The look-ups that transfers use notify nobody.
    EXPECT_TRUE(engine().FindRemoteFile(remote(), "big.bin"));
    EXPECT_EQ(h->target.count(NoticeListed), 2u);
}

TEST_P(ListingOnServer, RefreshFolderListsAgainEvenWhenCached)
{
    FolderHandle first = engine().ListFolder(remote(), {}, true);
    tree.write("later.txt", "new");
    const std::size_t before = mark();

    engine().RefreshFolder(remote());
    EXPECT_EQ(countOf(commandsSince(before), listCommand()), 1u);
    FolderHandle now = cached(remote());
    ASSERT_TRUE(now);
    EXPECT_FALSE(now.sameAs(first));
    EXPECT_TRUE(now->find("later.txt"));
    EXPECT_FALSE(first->find("later.txt")); // a window may still show the old one
    EXPECT_EQ(h->target.count(NoticeListed), 2u);
}

TEST_P(ListingOnServer, ResolvePathAsksTheServerOnceThenUsesTheMap)
{
    engine().ListFolder(remote(), {}, false);
    std::size_t before = mark();
    EXPECT_EQ(engine().ResolvePath(remote(), "docs"), remote("docs"));
    auto sent = commandsSince(before);
    EXPECT_EQ(countOf(sent, "CWD docs"), 1u);
    EXPECT_EQ(countOf(sent, "PWD"), 1u);
    EXPECT_EQ(cached(remote())->resolvedPath("docs"), remote("docs"));
    EXPECT_EQ(engine().CurrentDirectory(), remote("docs"));

    before = mark();
    EXPECT_EQ(engine().ResolvePath(remote(), "docs"), remote("docs"));
    EXPECT_TRUE(commandsSince(before).empty());

    // Listing by name goes through the same map.
    FolderHandle docs = engine().ListFolder(remote(), "docs", true);
    EXPECT_TRUE(docs->find("readme"));
    EXPECT_EQ(h->target.texts(NoticeListed).back(), remote("docs"));
    EXPECT_EQ(countOf(commandsSince(before), "PWD"), 0u);
}

TEST_P(ListingOnServer, ResolvePathOfAnUncachedFolderStoresNothing)
{
    EXPECT_EQ(engine().ResolvePath(remote(), "docs"), remote("docs"));
    EXPECT_FALSE(cached(remote()));
    EXPECT_THROW(engine().ResolvePath(remote(), "to-big"), CFTPException);
}

TEST_P(ListingOnServer, EmptyFolderReportsOnlyTheThreeListingTexts)
{
    h->target.clear();
    FolderHandle folder = engine().ListFolder(remote("empty"), {}, true);
    EXPECT_TRUE(folder->empty());
    auto texts = h->target.texts(NoticeStatus);
    std::erase(texts, "Opening data connection...");
    EXPECT_EQ(texts, (std::vector<std::string>{"Sending request for file list...", "Receiving file list...",
                                               "Resolving symbolic links..."}));
}

TEST_P(ListingOnServer, EmptyFolderAndNameListTheWorkingDirectory)
{
    const std::size_t before = mark();
    FolderHandle folder = engine().ListFolder({}, {}, true);
    auto sent = commandsSince(before);
    auto pwd = std::find(sent.begin(), sent.end(), "PWD");
    ASSERT_NE(pwd, sent.end());
    EXPECT_LT(pwd - sent.begin(), std::find(sent.begin(), sent.end(), listCommand()) - sent.begin());
    EXPECT_EQ(h->target.texts(NoticeListed), std::vector<std::string>{remote()});
    EXPECT_TRUE(folder->find("docs"));
    EXPECT_TRUE(cached(remote()).sameAs(folder));
}

TEST_P(ListingOnServer, RemoteTimeIsZeroForAMissingEntry)
{
    EXPECT_EQ(engine().GetRemoteTime(remote(), "no such file"), 0);
    FoundEntry big = engine().FindRemoteFile(remote(), "big.bin");
    ASSERT_TRUE(big);
    EXPECT_NE(big.entry->modified(), 0);
    // To the second: from MLSD's facts, or from MDTM where LIST shows minutes.
    EXPECT_EQ(engine().GetRemoteTime(remote(), "big.bin"), mtimeOf(tree.path("big.bin")));
    EXPECT_FALSE(engine().FindRemoteFile(remote(), "BIG.BIN")); // names are exact

    // The found entry outlives a refresh that replaces its folder.
    engine().RefreshFolder(remote());
    EXPECT_EQ(big.entry->size(), 300u);
}

TEST_P(ListingOnServer, RefusedFolderCachesNothing)
{
    EXPECT_THROW(engine().ListFolder(remote("missing"), {}, true), CFTPException);
    EXPECT_FALSE(cached(remote("missing")));
    EXPECT_EQ(h->target.count(NoticeListed), 0u);
    EXPECT_TRUE(engine().ListFolder(remote("docs"), {}, false)->find("inner")); // still in step
}

// One folder listed by MLSD and, with MLSD refused, by LIST -A: the same
// entries, the times as exact as LIST shows them. pyftpdlib's MLSD follows
// links, so a link comes as what it leads to, which LIST's reader learns by
// changing into it.
TEST_P(ListingOnServer, MachineListingAgreesWithList)
{
    if (GetParam() != ServerKind::Pyftpdlib)
        GTEST_SKIP() << "vsftpd has no MLSD";
    ScopedTimeZone zone("UTC"); // pyftpdlib's LIST shows UTC
    for (const char* name : {"  leading blanks", "trailing blank ", "a -> b", "with space.txt"})
        tree.write(name, name);
    tree.setMtime("a -> b", 1551447927); // 2019-03-01 13:45:27: LIST shows the day
    const std::size_t before = mark();
    FolderHandle machine = engine().ListFolder(remote(), {}, false);
    EXPECT_EQ(countOf(commandsSince(before), "OPTS MLST type;size;modify;unix.mode;unix.uid;unix.gid;"), 1u);
    EXPECT_TRUE(machine->exactTimes());

    FtpServer listServer(GetParam(), tree.root(), {.refuseMlsd = true});
    EngineHarness second(listServer.host(), listServer.port(), {}, {});
    second.engine.Connect();
    FolderHandle listed = second.engine.ListFolder(listServer.remotePath(), {}, false);
    EXPECT_FALSE(listed->exactTimes());
    EXPECT_TRUE(containsLine(listServer.commandLog(), "MLSD"));
    ASSERT_EQ(listed->count(), machine->count());
    for (const RemoteFile& l : *listed) {
        SCOPED_TRACE(l.name());
        const RemoteFile* m = machine->find(l.name());
        ASSERT_TRUE(m);
        EXPECT_EQ(m->isFolder(), l.isFolder());
        if (l.isLink())
            continue;
        EXPECT_EQ(m->size(), l.size());
        EXPECT_EQ(m->permissions(), l.permissions());
        EXPECT_TRUE(l.modified() == m->modified() - m->modified() % 60 ||
                    l.modified() == m->modified() - m->modified() % 86400);
    }
    EXPECT_EQ(machine->find("a -> b")->modified(), 1551447927);
}

INSTANTIATE_TEST_SUITE_P(Servers, ListingOnServer,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd), nameOfKind);

// --- exact sequences and misbehaviour, staged ---

TEST(ListingScripted, CounterCountsDroppedLinesToo)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok")
        .replyPasv()
        .serveData("total 2\r\n"
                   "-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n"
                   "this is not a listing line\r\n"
                   "-rw-r--r-- 1 o g 7 Jan 1 2001 b\r\n");
    s.start();
    EngineOnScript e(s);
    e.h.engine.Connect();
    FolderHandle folder = e.h.engine.ListFolder("/pub", {}, true);
    ASSERT_EQ(folder->count(), 2u);
    EXPECT_EQ(folder->entry(1).size(), 7u);
    auto texts = e.h.target.texts(NoticeStatus);
    std::vector<std::string> counters;
    for (const auto& t : texts)
        if (t.starts_with("Receiving file list: "))
            counters.push_back(t);
    EXPECT_EQ(counters, (std::vector<std::string>{"Receiving file list: 2", "Receiving file list: 4"}));
    EXPECT_EQ(s.commands().at(4), "CWD /pub");
    EXPECT_EQ(s.commands().back(), "LIST -A");
    EXPECT_EQ(s.failure(), "");
}

// A server may offer MLST and refuse MLSD: LIST -A answers (DOS lines
// too), and the connection does not ask for MLSD again.
TEST(ListingScripted, RefusedMachineListingFallsBackToListForTheConnection)
{
    ScriptedServer s;
    s.greet("220 ready").reply("331 password please").reply("230 logged in").reply("200 binary");
    s.reply("211-Features:\r\n MLST type*;size*;modify*;unix.mode;\r\n211 End")
        .reply("250 ok")
        .reply("200 MLST OPTS type;size;modify;unix.mode;")
        .replyPasv()
        .reply("500 MLSD not understood")
        .replyPasv()
        .serveData("01-31-24  10:15AM       <DIR>          sub dir\r\n"
                   "-rw-r--r-- 1 o g 7 Jan 1 2001 b\r\n")
        .reply("250 ok")
        .replyPasv()
        .serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n");
    s.start();
    EngineOnScript e(s);
    e.h.engine.Connect();
    FolderHandle folder = e.h.engine.ListFolder("/pub", {}, true);
    ASSERT_EQ(folder->count(), 2u);
    EXPECT_TRUE(folder->find("sub dir") && folder->find("sub dir")->isFolder());
    EXPECT_FALSE(folder->exactTimes());
    EXPECT_TRUE(e.h.engine.ListFolder("/other", {}, true)->find("a"));
    EXPECT_EQ(e.afterLogin(), (std::vector<std::string>{"CWD /pub", "OPTS MLST type;size;modify;unix.mode;",
                                                         "PASV", "MLSD", "PASV", "LIST -A", "CWD /other", "PASV",
                                                         "LIST -A"}));
    EXPECT_EQ(s.failure(), "");
}

TEST(ListingScripted, RefusedListCachesNothing)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok").replyPasv().reply("550 No permission");
    s.start();
    EngineOnScript e(s);
    e.h.engine.Connect();
    try {
        e.h.engine.ListFolder("/secret", {}, true);
        FAIL() << "LIST refusal not reported";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "550 No permission\r\n");
    }
    EXPECT_FALSE(LockedAccess<SiteContext>(e.h.site)->cache().hasKey("/secret"));
}

TEST(ListingScripted, StalledListingLeavesControlInStepWhenTheReplyComes)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok")
        .replyPasv()
        .serveDataAndHold("-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n")
        .send("426 Connection timed out\r\n")
        .reply("257 \"/pub\" is the current directory");
    s.start();
    EngineOnScript e(s);
    e.h.set(Setting::RecvTimeout, 1);
    e.h.engine.Connect();
    try {
        e.h.engine.ListFolder("/pub", {}, true);
        FAIL() << "stalled listing not reported";
    } catch (const CNetException& failure) {
        EXPECT_EQ(failure.error, ETIMEDOUT);
    }
    EXPECT_TRUE(e.h.engine.IsConnected());
    EXPECT_FALSE(LockedAccess<SiteContext>(e.h.site)->lookUpFolder("/pub"));
    e.h.engine.UpdateWorkingDirectory(); // the 426 was consumed, so PWD reads its own reply
    EXPECT_EQ(e.h.engine.CurrentDirectory(), "/pub");
}

TEST(ListingScripted, OverlongListingLineFailsButKeepsControlInStep)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok")
        .replyPasv()
        .serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 " + std::string(70000, 'n') + "\r\n")
        .reply("257 \"/pub\"");
    s.start();
    EngineOnScript e(s);
    e.h.engine.Connect();
    try {
        e.h.engine.ListFolder("/pub", {}, true);
        FAIL() << "overlong line accepted";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "Server sent a line longer than 65536 bytes");
    }
    ASSERT_TRUE(e.h.engine.IsConnected());
    e.h.engine.UpdateWorkingDirectory(); // the listing's 226 did not stay behind
    EXPECT_EQ(e.h.engine.CurrentDirectory(), "/pub");
    EXPECT_FALSE(LockedAccess<SiteContext>(e.h.site)->cache().hasKey("/pub"));
}

TEST(ListingScripted, StalledListingWithoutReplyClosesControl)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok").replyPasv().serveDataAndHold("-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n");
    s.start();
    EngineOnScript e(s);
    e.h.set(Setting::RecvTimeout, 1);
    e.h.engine.Connect();
    EXPECT_THROW(e.h.engine.ListFolder("/pub", {}, true), CNetException);
    EXPECT_FALSE(e.h.engine.IsConnected()); // the next task logs in again
}

TEST(ListingScripted, RefusedReturnFromALinkFailsTheListing)
{
    ScriptedServer s;
    scriptPlainLogin(s);
    s.reply("250 ok")
        .replyPasv()
        .serveData("lrwxrwxrwx 1 o g 5 Jan 1 2001 l -> /elsewhere\r\n")
        .reply("250 in the link")
        .reply("550 /pub: gone")
        .reply("257 \"/elsewhere\"");
    s.start();
    EngineOnScript e(s);
    e.h.engine.Connect();
    EXPECT_THROW(e.h.engine.ListFolder("/pub", {}, true), CFTPException);
    // The engine knows where the server really is, so the next CWD is not skipped.
    EXPECT_EQ(e.h.engine.CurrentDirectory(), "/elsewhere");
    EXPECT_FALSE(LockedAccess<SiteContext>(e.h.site)->lookUpFolder("/pub"));
}

} // namespace
} // namespace varnix::test
