#include "settings/SettingsRecord.h"

#include "platform/qt/QSettingsProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace varnix {
namespace {

class SettingsRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = std::filesystem::temp_directory_path() / ("varnix-settings-" + std::to_string(getpid()) + ".conf");
        std::filesystem::remove(path);
        profile = std::make_unique<QSettingsProfile>(path.string());
    }
    void TearDown() override
    {
        profile.reset();
        std::filesystem::remove(path);
    }
    // A fresh store on the same file, as the next run of the program sees it.
    std::unique_ptr<QSettingsProfile> reopen()
    {
        profile->flush();
        return std::make_unique<QSettingsProfile>(path.string());
    }

    std::filesystem::path path;
    std::unique_ptr<QSettingsProfile> profile;
};

TEST_F(SettingsRecordTest, EmptyStoreGivesTheDefaults)
{
    SettingsRecord global;
    global.load(*profile);
    std::vector<std::uint32_t> values;
    for (int i = 0; i < kIntegerSettings; ++i)
        values.push_back(global.get(static_cast<Setting>(i)));
    EXPECT_EQ(values, (std::vector<std::uint32_t>{1, 4096, 4096, 0, 30, 15, 30, 1, 60, 60, 30, 10, 1, 1, 1, 0}));
    EXPECT_EQ(global.anonymousPassword(), "rover@");
}

TEST_F(SettingsRecordTest, SiteValuesReadThroughToAChangedGlobal)
{
    SettingsRecord global;
    SettingsRecord site(&global);
    site.load(*profile, "anonymous@h:21");
    EXPECT_EQ(site.retryCount(), 10u);
    global.setRetryCount(3);
    EXPECT_EQ(site.retryCount(), 3u);
    EXPECT_EQ(site.anonymousPassword(), "rover@");
}

TEST_F(SettingsRecordTest, SettingTheGlobalValueUnpins)
{
    SettingsRecord global;
    SettingsRecord site(&global);
    site.setSendTimeout(60);
    EXPECT_EQ(site.own(Setting::SendTimeout), SettingsRecord::kUnset);
    site.setSendTimeout(5);
    EXPECT_EQ(site.own(Setting::SendTimeout), 5u);
    site.setAnonymousPassword("rover@");
    EXPECT_EQ(site.ownAnonymousPassword(), "");
    site.setAnonymousPassword("me@");
    EXPECT_EQ(site.anonymousPassword(), "me@");
}

TEST_F(SettingsRecordTest, SaveWritesAllSixteenValuesAndLoadsBack)
{
    SettingsRecord global;
    SettingsRecord site(&global);
    site.setRecvTimeout(7);
    site.save(*profile, "Bob@Host:21");
    global.setPasvMode(0);
    global.setAnonymousPassword("x@y");
    global.save(*profile);

    auto again = reopen();
    for (int i = 0; i < kIntegerSettings; ++i) {
        std::string name = std::string(SettingsRecord::name(static_cast<Setting>(i)));
        EXPECT_NE(again->readInt("Settings", "bob@host:21-" + name, 12345), 12345u) << name;
        EXPECT_NE(again->readInt("Settings", name, 12345), 12345u) << name;
    }
    EXPECT_EQ(again->readInt("Settings", "bob@host:21-PasvMode", 0), SettingsRecord::kUnset);
    EXPECT_EQ(again->readString("Settings", "bob@host:21-AnonymousPassword", "missing"), "");

    SettingsRecord loadedGlobal;
    loadedGlobal.load(*again);
    SettingsRecord loadedSite(&loadedGlobal);
    loadedSite.load(*again, "bob@HOST:21");   // the key is lower-cased either way
    EXPECT_EQ(loadedSite.recvTimeout(), 7u);
    EXPECT_EQ(loadedSite.pasvMode(), 0u);
    EXPECT_EQ(loadedSite.anonymousPassword(), "x@y");
}

TEST_F(SettingsRecordTest, NamesMapBothWays)
{
    EXPECT_EQ(SettingsRecord::byName("RecvBuffer"), Setting::RecvBuffer);
    EXPECT_FALSE(SettingsRecord::byName("recvbuffer"));
    EXPECT_EQ(SettingsRecord::name(Setting::TransferNow), "TransferNow");
}

TEST_F(SettingsRecordTest, ProfileKeepsBytesAndDeletesWholeSections)
{
    profile->writeString("Sites", "0-Name", std::string("caf\xe9", 4));   // Latin-1, not UTF-8
    profile->writeString("Sites", "1-Name", "caf\xc3\xa9");
    profile->writeInt("Sites", "Count", 2);
    profile->writeInt("Other", "Keep", 1);
    auto again = reopen();
    EXPECT_EQ(again->readString("Sites", "0-Name", ""), std::string("caf\xe9", 4));
    EXPECT_EQ(again->readString("Sites", "1-Name", ""), "caf\xc3\xa9");
    again->deleteSection("Sites");
    EXPECT_EQ(again->readInt("Sites", "Count", 99), 99u);
    EXPECT_EQ(again->readInt("Other", "Keep", 0), 1u);
}

} // namespace
} // namespace varnix
