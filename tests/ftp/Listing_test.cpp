#include "EngineOnServer.h"
#include "model/RemoteFolder.h"
#include "support/ScriptedServer.h"

#include <gtest/gtest.h>

namespace varnix::test {
namespace {

class ListingOnServer : public EngineOnServer {
protected:
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
    EXPECT_EQ(countOf(commandsSince(before), "LIST -A"), 1u);
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
    EXPECT_LT(pwd - sent.begin(), std::find(sent.begin(), sent.end(), "LIST -A") - sent.begin());
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
    EXPECT_EQ(engine().GetRemoteTime(remote(), "big.bin"), big.entry->modified());
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
