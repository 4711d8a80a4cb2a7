#include "browser/Workspace.h"

#include "browser/DownloadTarget.h"
#include "platform/Profile.h"
#include "session/CFTPSession.h"
#include "settings/SettingsRecord.h"
#include "site/LoginRegistry.h"

#include "support/UnstartedWindow.h"

#include <gtest/gtest.h>

#include <utility>

namespace varnix {
namespace {

struct Folder : DownloadTarget {
    std::string folder() const override { return "/tmp"; }
};

using Remote = test::UnstartedWindow;

class WorkspaceTest : public ::testing::Test {
protected:
    MemoryProfile profile;
    LoginRegistry logins;
    SettingsRecord global;
    Workspace model{profile, logins, global};
};

TEST_F(WorkspaceTest, AnotherWorkspaceComingAndGoingLeavesThisOneAlone)
{
    Folder mine;
    model.activateLocal(&mine);
    {
        MemoryProfile other;
        Workspace second(other, logins, global);
        Folder theirs;
        second.activateLocal(&theirs);
        EXPECT_EQ(second.currentLocal(), &theirs);
        EXPECT_EQ(&second.profile(), &other);
    }
    EXPECT_EQ(model.currentLocal(), &mine);
    EXPECT_EQ(&model.profile(), &profile);
    model.removeLocal(&mine);
}

TEST_F(WorkspaceTest, WindowListsKeepTheMostRecentlyActivatedFirst)
{
    Folder a, b;
    EXPECT_EQ(model.currentLocal(), nullptr);
    model.activateLocal(&a);
    model.activateLocal(&b);
    model.activateLocal(&a);
    EXPECT_EQ(model.localWindows(), (std::vector<DownloadTarget*>{&a, &b}));
    model.removeLocal(&a);
    EXPECT_EQ(model.currentLocal(), &b);
    model.removeLocal(&b);
    EXPECT_EQ(model.currentLocal(), nullptr);

    Remote r1(model.makeSite({"127.0.0.1", "21", "", ""})), r2(model.makeSite({"127.0.0.1", "21", "", ""}));
    model.activateRemote(&r1);
    model.activateRemote(&r2);
    EXPECT_EQ(model.currentRemote(), &r2);
    model.removeRemote(&r2);
    EXPECT_EQ(model.currentRemote(), &r1);
}

TEST_F(WorkspaceTest, SitesShareLoginsAndReadTheGlobalSettings)
{
    global.setRetryCount(7);
    SiteHandle one = model.makeSite({"ftp.example", "21", "alice", "pw"});
    SiteHandle two = model.makeSite({"ftp.example", "21", "alice", "pw"});
    EXPECT_FALSE(one.sameAs(two));
    EXPECT_TRUE(LockedAccess<SiteContext>(one)->login().sameAs(LockedAccess<SiteContext>(two)->login()));
    EXPECT_EQ(logins.size(), 1u);
    EXPECT_EQ(LockedAccess<SiteContext>(one)->identity(), "alice@ftp.example:21");
    EXPECT_EQ(LockedAccess<SiteContext>(one)->settings().retryCount(), 7u);
    EXPECT_TRUE(model.loginFor("ftp.example", "21", "alice", "pw").sameAs(LockedAccess<SiteContext>(one)->login()));
}

TEST_F(WorkspaceTest, LendsAndTakesBackSessionsThroughTheRemoteWindows)
{
    SiteHandle site = model.makeSite({"127.0.0.1", "21", "", ""});
    Remote window(site);
    model.activateRemote(&window);
    RemoteWindows& windows = model;
    CFTPSession* lent = windows.acquire(site);
    ASSERT_NE(lent, nullptr);
    EXPECT_EQ(windows.acquire(model.makeSite({"127.0.0.1", "21", "", ""})), nullptr);
    windows.giveBack(lent);
    EXPECT_EQ(window.session_, lent);
    model.removeRemote(&window);
}

} // namespace
} // namespace varnix
