// The remote window's rules without its widgets: the transfer routine's
// decisions about destinations that exist, navigation from the directory
// cache, the commands' enabling rules and what the session's notices do.
// Folders come from the site's cache, filled here as a session would fill
// it; transfers are only queued, so no connection is needed.

#include "browser/remote/RemoteBrowser.h"

#include "browser/BrowserFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnix {
namespace {

using test::Answer;
using test::Click;
using test::listed;
using test::ScriptedDialogs;

class RemoteBrowserTest : public test::BrowserFixture {};

TEST_F(RemoteBrowserTest, DownloadsAskAboutNamesThatExistAsTheAnswersSay)
{
    const Click all = &ConflictChoice::clickApplyToAll, rename = &ConflictChoice::clickRename,
                resume = &ConflictChoice::clickResume, overwrite = &ConflictChoice::clickOverwrite;
    struct Case {
        const char* what;
        std::vector<std::string> existing;  // local files
        std::initializer_list<const char*> selected;
        std::vector<Answer> answers;
        std::vector<std::string> names;     // typed into the save dialog
        std::vector<std::string> asked;
        std::vector<int> offered;
        std::vector<std::string> queued;
    } cases[] = {
        {"for all selected: asked once", {"a", "c"}, {"a", "b", "c"}, {{{all}, true}}, {},
         {"a"}, {0}, {"a", "b", "c"}},
        {"one item: for all is not offered", {"a"}, {"a"}, {{{resume}, true}}, {},
         {"a"}, {-1}, {"a resume"}},
        {"rename onto a name that exists asks again, for this item only", {"a", "a2"}, {"a", "b"},
         {{{rename}, true}, {{overwrite}, true}}, {"a2"}, {"a", "a2"}, {0, -1}, {"a2", "b"}},
        {"cancel drops the item asked about", {"a", "c"}, {"a", "b", "c"}, {{{}, false}, {{}, true}}, {},
         {"a", "c"}, {0, 0}, {"b", "c"}},
        {"cancel for all drops the later clashes unasked", {"a", "c"}, {"a", "b", "c"}, {{{all}, false}}, {},
         {"a"}, {0}, {"b"}},
        {"a cancelled save dialog drops the item", {"a"}, {"a", "b"}, {{{rename}, true}}, {""},
         {"a"}, {0}, {"b"}},
        {"rename for all asks a new name for every clash", {"a", "c"}, {"a", "b", "c"}, {{{rename, all}, true}},
         {"a1", "c1"}, {"a"}, {0}, {"a1", "b", "c1"}},
    };
    cache("/pub", listed({"- a", "- b", "- c"}));
    RemoteBrowser& browser = open("/pub");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempTree files{"varnix-download"};
        host.folder = files.root().string();
        for (const std::string& name : c.existing)
            files.write(name, "old");
        dialogs = ScriptedDialogs();
        dialogs.answers.assign(c.answers.begin(), c.answers.end());
        for (const std::string& name : c.names)
            dialogs.names.push_back(name.empty() ? name : host.folder + "/" + name);
        queue->clearAll();

        browser.run(RemoteCommand::Queue, select(browser, c.selected));

        std::vector<std::string> asked;
        for (const std::string& path : dialogs.asked)
            asked.push_back(path.substr(host.folder.size() + 1));
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(dialogs.offered, c.offered);
        std::vector<std::string> queued;
        for (const QueueItemHandle& item : queue->items()) {
            EXPECT_TRUE(item->queued);
            EXPECT_EQ(item->remoteDirA, "/pub");
            queued.push_back(item->targetName.substr(host.folder.size() + 1) + (item->resume ? " resume" : ""));
        }
        EXPECT_EQ(queued, c.queued);
    }
}

// The rule of the folder walks: with "Only transfer newer" a file goes
// only when its source is newer than the destination; folders always go
// (the rule then applies to the files inside).
TEST_F(RemoteBrowserTest, OnlyNewerLeavesFilesWhoseDestinationIsNotOlder)
{
    cache("/pub", listed({"- same", "- newer", "- older", "d folder"}));
    RemoteBrowser& browser = open("/pub");
    const std::int64_t source = browser.shownFolder()->find("same")->modified();
    local.write("same", "x");
    local.setMtime("same", std::time_t(source));
    local.write("newer", "x");
    local.setMtime("newer", std::time_t(source - 1));
    local.write("older", "x");
    local.setMtime("older", std::time_t(source + 60));
    local.mkdir("folder");
    local.setMtime("folder", std::time_t(source + 60));
    dialogs.answers = {{{&ConflictChoice::clickOnlyNewer, &ConflictChoice::clickApplyToAll}, true}};

    browser.run(RemoteCommand::Queue, select(browser, {"same", "newer", "older", "folder"}));

    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(queuedItems(), (std::vector<std::string>{"newer newer", "folder newer"}));
    EXPECT_TRUE(queue->items().back()->folder);
}

TEST_F(RemoteBrowserTest, UploadsAndCopiesAskTheRenameDialogAboutNamesInTheCachedListing)
{
    cache("/pub", listed({"- up.txt", "- taken"}));
    RemoteBrowser& target = open("/pub");
    const std::string upPath = local.write("up.txt", "new").string();
    dialogs.answers = {{{&ConflictChoice::clickRename}, true}};
    dialogs.names = {"up2.txt"};
    ConflictChoice choice = ConflictChoice::forCommand(true);
    target.upload(upPath, choice, false);
    // A file that is not there is refused at once.
    target.upload(local.path("missing").string(), choice, false);
    EXPECT_EQ(view.status, "Not uploaded: " + local.path("missing").string() + " cannot be read");

    SiteHandle other = makeLocked<SiteContext>("127.0.0.1", "1", "bob", "pw", registry, profile, global);
    LockedAccess<SiteContext>(other)->storeFolder("/src", listed({"- taken", "d tree"}));
    RemoteBrowser& source = open("/src", other);
    dialogs.answers = {{{&ConflictChoice::clickOverwrite, &ConflictChoice::clickApplyToAll}, true}};
    ConflictChoice drop;
    for (const char* name : {"taken", "tree"})
        target.siteToSite(source, *source.shownFolder()->find(name), drop, false);

    EXPECT_EQ(dialogs.renamed, (std::vector<std::string>{"up.txt"}));
    EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"up.txt", "taken"}));
    ASSERT_EQ(queue->items().size(), 3u);
    const QueueItem& up = *queue->items()[0];
    EXPECT_TRUE(up.upload && !up.siteToSite);
    EXPECT_EQ(up.sourceName, upPath);
    EXPECT_EQ(up.targetName, "up2.txt");
    const QueueItem& copy = *queue->items()[2];
    EXPECT_TRUE(copy.siteToSite && copy.upload && copy.folder);
    EXPECT_EQ(copy.sourceName, "tree");
    EXPECT_EQ(copy.remoteDirA, "/pub");
    EXPECT_EQ(copy.remoteDirB, "/src");
    EXPECT_TRUE(copy.siteB.sameAs(other));
    // A window is never its own source.
    target.siteToSite(target, *target.shownFolder()->find("taken"), drop, false);
    EXPECT_EQ(queue->items().size(), 3u);
}

TEST_F(RemoteBrowserTest, ListedFoldersAreShownFromTheCacheWithoutAConnection)
{
    FolderHandle root = listed({"d pub", "- file"});
    root->setResolvedPath("pub", "/pub");
    FolderHandle pub = listed({"- a"});
    pub->setResolvedPath("..", "/");
    cache("/", root);
    cache("/pub", pub);
    const RowSelection none;
    auto enabled = [&](RemoteBrowser& b) {
        std::string on;
        for (RemoteCommand c : {RemoteCommand::Refresh, RemoteCommand::NewFolder, RemoteCommand::LastFolder,
                                RemoteCommand::UpOneLevel, RemoteCommand::Cancel, RemoteCommand::ReplicateView})
            on += b.canRun(c, none) ? '1' : '0';
        return on;
    };

    // Not yet shown: only what needs no folder.
    RemoteBrowser waiting(site, "/elsewhere", view, dialogs, host);
    EXPECT_EQ(enabled(waiting), "000001");

    RemoteBrowser& browser = open("/");
    EXPECT_EQ(view.path, "/");
    EXPECT_EQ(enabled(browser), "110001");
    browser.activate(select(browser, {"pub"}));
    EXPECT_TRUE(view.shown.sameAs(pub));
    EXPECT_EQ(enabled(browser), "111101");
    browser.run(RemoteCommand::UpOneLevel, none);
    browser.choosePath("/pub");
    EXPECT_EQ(browser.pathHistory(), (std::vector<std::string>{"/", "/pub", "/", "/pub"}));
    browser.run(RemoteCommand::LastFolder, none);
    EXPECT_EQ(browser.pathHistory(), (std::vector<std::string>{"/", "/pub", "/"}));
    EXPECT_EQ(view.path, "/");
    EXPECT_FALSE(browser.hasSession()) << "a cached folder needs no connection";
    // A file opened with TransferNow off is queued.
    LockedAccess<SiteContext>(site)->settings().setTransferNow(0);
    browser.activate(select(browser, {"file"}));
    EXPECT_EQ(queuedItems(), (std::vector<std::string>{"file"}));

    browser.run(RemoteCommand::ReplicateView, none);
    EXPECT_EQ(host.opened, (std::vector<std::string>{"ann@127.0.0.1:1 /"}));
    // Refresh forgets the listing and asks the server.
    browser.run(RemoteCommand::Refresh, none);
    EXPECT_FALSE(LockedAccess<SiteContext>(site)->lookUpFolder("/"));
    EXPECT_TRUE(browser.hasSession());
}

TEST_F(RemoteBrowserTest, DeletesAskFirstSayingWhichFoldersGoWithEverythingInThem)
{
    cache("/", listed({"d docs", "d pics", "- a.txt", "- b.txt"}));
    RemoteBrowser& browser = open("/");
    struct Case { std::initializer_list<const char*> rows; const char* question; } cases[] = {
        {{"a.txt"}, "Delete 1 item from the server?"},
        {{"a.txt", "b.txt"}, "Delete 2 items from the server?"},
        {{"docs"}, "Delete 1 folder from the server, with everything in it?"},
        {{"docs", "pics"}, "Delete 2 folders from the server, with everything in them?"},
        {{"docs", "a.txt"}, "Delete 2 items from the server, including 1 folder with everything in it?"},
        {{"docs", "pics", "a.txt"}, "Delete 3 items from the server, including 2 folders with everything in them?"},
    };
    dialogs.confirmDeletes = false;
    for (const Case& c : cases) {
        browser.run(RemoteCommand::Delete, select(browser, c.rows));
        EXPECT_EQ(dialogs.questions.back(), c.question);
    }
    EXPECT_FALSE(browser.hasSession()) << "No sends nothing";
}

TEST_F(RemoteBrowserTest, FailuresBeforeTheFirstFolderRetryAndAskForALogin)
{
    LockedAccess<SiteContext>(site)->settings().setRetryCount(2);
    LockedAccess<SiteContext>(site)->settings().setRetryDelay(0);
    RemoteBrowser& browser = open("/pub");
    auto failure = [](Recovery recovery) {
        SessionNotice notice;
        notice.kind = NoticeFailed;
        notice.text = "Listing contents of /pub failed: refused";
        notice.recovery = recovery;
        return notice;
    };
    // A refused login asks; cancelled, nothing more happens.
    browser.handle(failure(RecoveryLogin));
    EXPECT_EQ(dialogs.logins, 1);
    EXPECT_EQ(browser.attempts(), 0u);
    EXPECT_EQ(view.status, "Listing contents of /pub failed: refused");
    dialogs.confirmLogin = true;
    browser.handle(failure(RecoveryLogin));
    browser.handle(failure(RecoveryRetry));
    browser.handle(failure(RecoveryRetry));
    browser.handle(failure(RecoveryNone));
    EXPECT_EQ(browser.attempts(), 2u) << "RetryCount is the limit for the window's life";

    // Once a folder is shown a failure is only reported.
    cache("/pub", listed({"- a"}));
    SessionNotice listedNotice;
    listedNotice.kind = NoticeListed;
    listedNotice.text = "/pub";
    browser.handle(listedNotice);
    LockedAccess<SiteContext>(site)->settings().setRetryCount(5);
    browser.handle(failure(RecoveryRetry));
    EXPECT_EQ(browser.attempts(), 2u);
    EXPECT_EQ(view.path, "/pub");
    SessionNotice aborted;
    aborted.kind = NoticeAborted;
    browser.handle(aborted);
    EXPECT_EQ(view.status, "Aborted");
}

} // namespace
} // namespace varnix
