#include "site/SiteContext.h"

#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "site/LoginRegistry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace varnix {
namespace {

class SiteContextTest : public ::testing::Test {
protected:
    SiteHandle site(const std::string& host, const std::string& port, const std::string& user,
                    const std::string& password = {})
    {
        return makeLocked<SiteContext>(host, port, user, password, registry, profile, global);
    }

    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
};

TEST_F(SiteContextTest, IdentityUsesAnonymousForAnEmptyUser)
{
    EXPECT_EQ(LockedAccess<SiteContext>(site("ftp.example.org", "21", ""))->identity(),
              "anonymous@ftp.example.org:21");
    EXPECT_EQ(LockedAccess<SiteContext>(site("Host", "2121", "Bob"))->identity(), "Bob@Host:2121");
}

TEST_F(SiteContextTest, SitesFromTheSameStringsShareLoginData)
{
    auto a = site("h", "21", "u", "p");
    auto b = site("h", "21", "u", "p");
    auto c = site("h", "21", "U", "p");
    EXPECT_TRUE(LockedAccess<SiteContext>(a)->login().sameAs(LockedAccess<SiteContext>(b)->login()));
    EXPECT_FALSE(LockedAccess<SiteContext>(a)->login().sameAs(LockedAccess<SiteContext>(c)->login()));
    EXPECT_EQ(registry.size(), 2u);
}

TEST_F(SiteContextTest, EachSiteHasItsOwnCache)
{
    auto a = site("h", "21", "");
    auto b = site("h", "21", "");
    LockedAccess<SiteContext>(a)->storeFolder("/pub", makeShared<RemoteFolder>());
    EXPECT_TRUE(LockedAccess<SiteContext>(a)->lookUpFolder("/pub"));
    EXPECT_FALSE(LockedAccess<SiteContext>(b)->lookUpFolder("/pub"));
}

TEST_F(SiteContextTest, EmptyHandleMeansNotCachedButKeepsTheKey)
{
    auto s = site("h", "21", "");
    LockedAccess<SiteContext>(s)->storeFolder("/pub", makeShared<RemoteFolder>());
    LockedAccess<SiteContext>(s)->storeFolder("/pub", FolderHandle{});
    EXPECT_FALSE(LockedAccess<SiteContext>(s)->lookUpFolder("/pub"));
    EXPECT_TRUE(LockedAccess<SiteContext>(s)->cache().hasKey("/pub"));
    EXPECT_FALSE(LockedAccess<SiteContext>(s)->lookUpFolder("/PUB"));
    EXPECT_FALSE(LockedAccess<SiteContext>(s)->cache().hasKey("/PUB"));
}

// A listing fetched while another session emptied the folder's entry (its
// transfer changed the folder) is older than that and must not replace it.
TEST_F(SiteContextTest, AFetchedListingNeverReplacesANewerStore)
{
    SiteHandle s = site("h", "21", "u");
    LockedAccess<SiteContext> context(s);
    const std::uint64_t before = context->folderVersion("/pub");
    context->storeFolder("/pub", FolderHandle{});
    EXPECT_FALSE(context->storeFetchedFolder("/pub", makeShared<RemoteFolder>(), before));
    EXPECT_FALSE(context->lookUpFolder("/pub"));
    const std::uint64_t now = context->folderVersion("/pub");
    EXPECT_TRUE(context->storeFetchedFolder("/pub", makeShared<RemoteFolder>(), now));
    EXPECT_TRUE(context->lookUpFolder("/pub"));
}

TEST_F(SiteContextTest, FoundEntryKeepsItsFolderAliveAfterTheCacheMovesOn)
{
    auto s = site("h", "21", "");
    auto folder = makeShared<RemoteFolder>();
    folder->append(RemoteFile::parse("-rw-r--r-- 1 u g 10 Jan 05 2001 a.txt\r\n"));
    LockedAccess<SiteContext>(s)->storeFolder("/pub", folder);
    folder.reset();
    FoundEntry found = LockedAccess<SiteContext>(s)->findEntry("/pub", "a.txt");
    ASSERT_TRUE(found);
    LockedAccess<SiteContext>(s)->storeFolder("/pub", FolderHandle{});
    EXPECT_EQ(found.entry->name(), "a.txt");
    EXPECT_FALSE(LockedAccess<SiteContext>(s)->findEntry("/pub", "a.txt"));
}

TEST_F(SiteContextTest, StoreAndLookUpRaceSafely)
{
    auto s = site("h", "21", "");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([s, t] {
            for (int i = 0; i < 500; ++i) {
                std::string path = "/f" + std::to_string(i % 7);
                if ((i + t) % 2)
                    LockedAccess<SiteContext>(s)->storeFolder(path, makeShared<RemoteFolder>());
                else
                    (void)LockedAccess<SiteContext>(s)->lookUpFolder(path);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_TRUE(LockedAccess<SiteContext>(s)->cache().hasKey("/f0"));
}

TEST_F(SiteContextTest, SettingsLoadUnderTheLowerCasedIdentity)
{
    profile.writeInt("Settings", "bob@host:21-RetryCount", 4);
    auto s = site("HOST", "21", "Bob");
    EXPECT_EQ(LockedAccess<SiteContext>(s)->settings().retryCount(), 4u);
    EXPECT_EQ(LockedAccess<SiteContext>(s)->settings().recvTimeout(), 60u);
}

} // namespace
} // namespace varnix
