// The notice handler and the commands, driven by notices made up here for
// sessions that are never started, so that each rule is seen in isolation.

#include "QueueHarness.h"

#include "session/SessionTasks.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

using test::QueueHarness;

class QueueNotices : public ::testing::Test {
protected:
    // A site nobody listens on; its sessions never run, so nothing connects.
    SiteHandle newSite() { return makeLocked<SiteContext>("127.0.0.1", "1", "", "", h.registry, h.profile, h.global); }

    CFTPSession* idleSession(const SiteHandle& site) { return CFTPSession::create(site); }

    void send(CFTPSession* from, NoticeKind kind, std::string text = {})
    {
        auto* notice = new SessionNotice;
        notice->sender = from;
        notice->kind = kind;
        notice->text = std::move(text);
        EXPECT_EQ(h.queue->receiveMessage(kSessionNoticeMessage, notice), kNoticeKept);
    }

    QueueItemHandle queuedDownload(const SiteHandle& site, const std::string& name)
    {
        auto item = newDownload(site, "/", name, "/nonexistent/" + name, false);
        item->queued = true;
        h.queue->add(item);
        return item;
    }

    QueueHarness h;
};

TEST_F(QueueNotices, SiteToSiteCompletesOnlyWhenBothSessionsReportedAndRest)
{
    SiteHandle destination = newSite(), source = newSite();
    auto item = newSiteCopy(destination, "/", "t", source, "/", "s", true);
    h.queue->add(item);
    CFTPSession* a = idleSession(destination);
    CFTPSession* b = idleSession(source);
    h.queue->start(item, a, b);
    send(b, NoticeDone);   // the source has walked the folder
    EXPECT_EQ(h.rows.status(item), "Pending");
    send(b, NoticeStatus, "Site to site downloading file x");
    send(b, NoticeProgress);
    send(a, NoticeDone);   // the destination has stored the last file ...
    EXPECT_TRUE(item->running()) << "completed while the source still worked";
    send(b, NoticeDone);   // ... and the source has finished sending it
    EXPECT_EQ(h.rows.status(item), "Complete");
    EXPECT_EQ(h.rows.row(item).texts.time, "0");
    EXPECT_FALSE(item->running());
}

TEST_F(QueueNotices, NoticeFromASessionOfNoItemIsIgnored)
{
    SiteHandle site = newSite();
    auto item = queuedDownload(site, "a");
    CFTPSession* stranger = idleSession(site);
    for (NoticeKind kind : {NoticeStatus, NoticeFailed, NoticeAborted, NoticeListed, NoticeProgress, NoticeDone})
        send(stranger, kind, "x");
    EXPECT_EQ(h.rows.statuses(item), std::vector<std::string>{"Queued"});
    EXPECT_EQ(h.rows.progressUpdates, 0);
    EXPECT_EQ(h.queue->receiveMessage(kSessionNoticeMessage + 1, nullptr), 0);
    stranger->release();
}

TEST_F(QueueNotices, ClearingARunningQueuedItemDropsWhatItsSessionStillReports)
{
    SiteHandle site = newSite();
    auto first = queuedDownload(site, "a");
    auto second = queuedDownload(site, "b");
    CFTPSession* s = idleSession(site);
    h.queue->start(first, s, nullptr);
    h.queue->clearSelected({first});
    EXPECT_TRUE(h.rows.row(first).removed);
    EXPECT_EQ(h.queue->items().size(), 1u);
    EXPECT_EQ(second->workerA, s);
    EXPECT_EQ(h.rows.status(second), "Pending");
    // The cleared download's abort, then the end of the fence.
    send(s, NoticeAborted);
    send(s, NoticeStatus, SleepTask(1).describe());
    EXPECT_EQ(h.rows.status(second), "Pending");
    send(s, NoticeDone);
    EXPECT_EQ(h.rows.status(second), "Complete");
}

TEST_F(QueueNotices, CancelFinishesAtOnceAndHandsTheSessionOn)
{
    SiteHandle site = newSite();
    auto first = queuedDownload(site, "a");
    auto second = queuedDownload(site, "b");
    auto third = queuedDownload(site, "c");
    CFTPSession* s = idleSession(site);
    h.queue->start(first, s, nullptr);
    EXPECT_TRUE(h.queue->canCancelSelected({first}));
    h.queue->cancelAll();
    EXPECT_EQ(h.rows.status(first), "Canceled");
    EXPECT_FALSE(first->running());
    EXPECT_FALSE(first->queued);
    // Cancel stops running transfers; the queued ones go on, one at a time.
    EXPECT_EQ(second->workerA, s);
    EXPECT_FALSE(third->running());
    EXPECT_TRUE(third->queued);
    send(s, NoticeAborted);   // the first one's, reported late: dropped
    EXPECT_EQ(h.rows.status(second), "Pending");
}

TEST_F(QueueNotices, TransferQueuedStartsNoSecondChainForSitesAlreadyAtWork)
{
    SiteHandle site = newSite();
    auto first = queuedDownload(site, "a");
    auto second = queuedDownload(site, "b");
    h.queue->start(first, idleSession(site), nullptr);
    EXPECT_TRUE(h.queue->canTransferQueued());
    h.queue->transferQueued();
    EXPECT_FALSE(second->running());
    EXPECT_EQ(h.rows.status(second), "Queued");
}

TEST_F(QueueNotices, CommandsAreOfferedAsTheItemsStand)
{
    EXPECT_FALSE(h.queue->canClearCompleted());
    EXPECT_FALSE(h.queue->canClearSelected({}));
    EXPECT_FALSE(h.queue->canClearAll());
    EXPECT_FALSE(h.queue->canTransferSelected({}));
    EXPECT_FALSE(h.queue->canTransferQueued());
    EXPECT_FALSE(h.queue->canTransferAll());
    EXPECT_FALSE(h.queue->canCancelSelected({}));
    EXPECT_FALSE(h.queue->canCancelAll());

    SiteHandle site = newSite();
    auto queued = queuedDownload(site, "a");
    EXPECT_TRUE(h.queue->canClearAll());
    EXPECT_TRUE(h.queue->canClearSelected({queued}));
    EXPECT_TRUE(h.queue->canTransferSelected({queued}));
    EXPECT_TRUE(h.queue->canTransferQueued());
    EXPECT_TRUE(h.queue->canTransferAll());
    EXPECT_TRUE(h.queue->canCancelSelected({queued}));
    EXPECT_FALSE(h.queue->canClearCompleted());

    CFTPSession* s = idleSession(site);
    h.queue->start(queued, s, nullptr);
    EXPECT_FALSE(h.queue->canTransferSelected({queued}));
    EXPECT_FALSE(h.queue->canTransferQueued());
    EXPECT_FALSE(h.queue->canTransferAll());
    send(s, NoticeDone);
    EXPECT_TRUE(h.queue->canClearCompleted());
    EXPECT_FALSE(h.queue->canCancelAll());
    EXPECT_FALSE(h.queue->canTransferAll());
    EXPECT_TRUE(h.queue->canTransferSelected({queued}));
    h.queue->clearCompleted();
    EXPECT_TRUE(h.queue->items().empty());
    EXPECT_FALSE(h.queue->canClearAll());
}

TEST_F(QueueNotices, RefusedLoginWithTheUserDecliningFailsTheItem)
{
    SiteHandle site = newSite();
    LockedAccess<SiteContext>(site)->settings().setRetryCount(3);
    auto item = queuedDownload(site, "a");
    CFTPSession* s = idleSession(site);
    h.queue->start(item, s, nullptr);
    h.prompt.confirm = false;
    auto* notice = new SessionNotice;
    notice->sender = s;
    notice->kind = NoticeFailed;
    notice->text = "Downloading file a failed: 530 Login incorrect.";
    notice->recovery = RecoveryLogin;
    h.queue->receiveMessage(kSessionNoticeMessage, notice);
    ASSERT_EQ(h.prompt.asked.size(), 1u);
    EXPECT_EQ(h.prompt.asked[0].message, "Downloading file a failed: 530 Login incorrect.");
    EXPECT_TRUE(h.prompt.asked[0].site.sameAs(site));
    EXPECT_EQ(h.rows.status(item), "Failed");
    EXPECT_EQ(item->failure, "Downloading file a failed: 530 Login incorrect.");
    EXPECT_FALSE(item->running());
}

TEST(LoginPromptTexts, CaptionAndStoredLogin)
{
    SiteHandle site = makeLocked<SiteContext>("ftp.example.org", "2121", "me", "old");
    EXPECT_EQ(loginPromptCaption(site), "Varnix - ftp.example.org:2121 - Login Prompt");
    storeLogin(site, "", "new");
    EXPECT_EQ(LockedAccess<SiteContext>(site)->identity(), "anonymous@ftp.example.org:2121");
    EXPECT_EQ(LockedAccess<SiteContext>(site)->loginCopy().password, "new");
}

} // namespace
} // namespace varnix
