#include "queue/RemoteWindows.h"

#include "session/CFTPSession.h"

#include "support/UnstartedWindow.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

using ListedWindow = test::UnstartedWindow;

SiteHandle newSite()
{
    return makeLocked<SiteContext>("127.0.0.1", "21", "", "");
}

TEST(RemoteWindowList, AcquireTakesTheMostRecentWindowOfExactlyThatSite)
{
    SiteHandle site = newSite(), lookalike = newSite();
    ListedWindow older(site), newer(site), other(lookalike);
    RemoteWindowList list;
    list.activate(&older);
    list.activate(&other);
    list.activate(&newer);
    EXPECT_EQ(list.current(), &newer);
    older.session_ = CFTPSession::create(site);
    CFTPSession* own = older.session_;
    list.activate(&older);
    EXPECT_EQ(list.acquire(site), own);
    EXPECT_FALSE(older.hasSession());
    // A window without a session makes one to hand over.
    list.remove(&older);
    CFTPSession* made = list.acquire(site);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->site().sameAs(site));
    EXPECT_EQ(list.acquire(SiteHandle{}), nullptr);
    list.remove(&newer);
    list.remove(&other);
    EXPECT_EQ(list.acquire(site), nullptr);
    own->release();
    made->release();
}

TEST(RemoteWindowList, GiveBackGoesToTheMostRecentWindowWithoutASession)
{
    SiteHandle site = newSite();
    ListedWindow busy(site), idleOld(site), idleNew(site);
    busy.session_ = CFTPSession::create(site);
    RemoteWindowList list;
    list.activate(&idleOld);
    list.activate(&idleNew);
    list.activate(&busy);
    CFTPSession* session = CFTPSession::create(site);
    list.giveBack(session);
    EXPECT_EQ(idleNew.session_, session);
    EXPECT_EQ(idleOld.adopted, 0);
    EXPECT_EQ(busy.adopted, 0);

    // Every window of the site has one: the most recent is still told, and
    // turns it down.
    idleOld.session_ = CFTPSession::create(site);
    int before = CFTPSession::liveSessions();
    list.giveBack(CFTPSession::create(site));
    EXPECT_EQ(busy.adopted, 1);
    EXPECT_EQ(idleNew.adopted, 1);
    EXPECT_EQ(idleOld.adopted, 0);
    EXPECT_EQ(CFTPSession::liveSessions(), before);
    list.giveBack(CFTPSession::create(newSite()));   // no window of that site: released
    EXPECT_EQ(CFTPSession::liveSessions(), before);
    list.giveBack(nullptr);
}

} // namespace
} // namespace varnix
