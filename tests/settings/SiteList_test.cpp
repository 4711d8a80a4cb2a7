#include "settings/SiteList.h"
#include "settings/SiteListEdit.h"
#include "settings/SitesMenu.h"

#include "platform/qt/QSettingsProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace varnix {
namespace {

SiteEntry site(std::string label, int parent = -1)
{
    SiteEntry e = SiteEntry::newSite();
    e.label = std::move(label);
    e.host = e.label + ".example.org";
    e.parent = parent;
    return e;
}

SiteEntry folder(std::string label, int parent = -1)
{
    SiteEntry e = SiteEntry::newFolder();
    e.label = std::move(label);
    e.parent = parent;
    return e;
}

std::vector<std::string> labels(const SiteList& list)
{
    std::vector<std::string> out;
    for (const SiteEntry& e : list.entries())
        out.push_back(e.label + "<" + std::to_string(e.parent));
    return out;
}

//  0 Work/          3 home
//  1   Servers/     4 Play/
//  2     build        5 games
SiteList sampleTree()
{
    return SiteList({folder("Work"), folder("Servers", 0), site("build", 1), site("home"), folder("Play"),
                     site("games", 4)});
}

class SiteListStore : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(path); }
    void TearDown() override { std::filesystem::remove(path); }
    std::unique_ptr<QSettingsProfile> store()
    {
        return std::make_unique<QSettingsProfile>(path.string());
    }
    std::filesystem::path path = std::filesystem::temp_directory_path()
                                 / ("varnix-sites-" + std::to_string(getpid()) + ".conf");
};

TEST_F(SiteListStore, AShorterListLeavesNothingBehind)
{
    std::vector<SiteEntry> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back(site("s" + std::to_string(i)));
    ten[3].comment = "two\nlines";
    ten[3].password = std::string("p\xe9", 2);  // Latin-1 bytes stay bytes
    SiteList(ten).save(*store());
    SiteList(std::vector<SiteEntry>(ten.begin(), ten.begin() + 4)).save(*store());

    auto again = store();
    SiteList loaded;
    loaded.load(*again);
    ASSERT_EQ(loaded.size(), 4u);
    EXPECT_EQ(loaded[3], ten[3]);
    EXPECT_EQ(again->readString("Sites", "4-Host", "gone"), "gone");
    EXPECT_EQ(again->readInt("Sites", "0-Parent", 0), 4294967295u);
}

TEST(SiteList, AMissingParentEndsLoadingAndMissingTextsReadEmpty)
{
    MemoryProfile memory;
    memory.writeInt("Sites", "0-Parent", 4294967295u);
    memory.writeInt("Sites", "1-Folder", 1);
    memory.writeInt("Sites", "1-Parent", 0);
    memory.writeString("Sites", "3-Host", "later");
    memory.writeInt("Sites", "3-Parent", 0);
    SiteList loaded;
    loaded.load(memory);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].port, "");  // not "21"
    EXPECT_EQ(loaded[0].label, "");
    EXPECT_EQ(loaded[0].folder, 0);
    EXPECT_EQ(loaded[0].parent, -1);
    EXPECT_TRUE(loaded[1].isFolder());
    EXPECT_EQ(loaded[1].parent, 0);
}

TEST(SiteListEdit, DeletingAFolderDropsItsContentsOnlyWhenAccepted)
{
    SiteList list = sampleTree();
    SiteListEdit edit(list);
    edit.remove(0);
    EXPECT_EQ(edit.size(), 6);  // indexes held by the tree stay valid
    EXPECT_EQ(labels(edit.rebuilt()), (std::vector<std::string>{"home<-1", "Play<-1", "games<1"}));
    EXPECT_EQ(list.size(), 6u);  // Cancel: the list was never touched
}

TEST(SiteListEdit, NewEntriesGoBesideASiteOrIntoAFolder)
{
    SiteListEdit edit(sampleTree());
    EXPECT_EQ(edit.entry(edit.add(false, 2)).parent, 1);   // beside "build", in Servers
    EXPECT_EQ(edit.entry(edit.add(true, 4)).parent, 4);    // into Play
    EXPECT_EQ(edit.entry(edit.add(false, std::nullopt)).parent, -1);
    EXPECT_EQ(edit.entry(6).label, "New Site");
    EXPECT_EQ(edit.entry(6).port, "21");
    EXPECT_EQ(edit.entry(7).label, "New Folder");
    EXPECT_EQ(labels(edit.rebuilt()),
              (std::vector<std::string>{"Work<-1", "Servers<0", "build<1", "New Site<1", "home<-1", "Play<-1",
                                        "games<5", "New Folder<5", "New Site<-1"}));
}

TEST(SiteListEdit, DropTargetsAreFoldersOutsideTheDraggedEntry)
{
    SiteListEdit edit(sampleTree());
    struct Drop { int dragged, target; bool allowed; } drops[] = {
        {0, 1, false},  // into its own subfolder
        {0, 0, false},  // onto itself
        {1, 0, false},  // onto its own parent
        {1, 4, true},
        {2, 0, true},
        {2, 3, false},  // a site is no target
        {5, 1, true},
    };
    for (const Drop& d : drops)
        EXPECT_EQ(edit.canDrop(d.dragged, d.target), d.allowed) << d.dragged << " onto " << d.target;

    edit.move(1, 4);
    edit.move(5, 0);
    // Released over its own parent, which is never a target: to the top.
    edit.move(2, 1);
    EXPECT_EQ(labels(edit.rebuilt()),
              (std::vector<std::string>{"Work<-1", "games<0", "build<-1", "home<-1", "Play<-1", "Servers<4"}));
}

TEST(SiteListEdit, AnonymousLoginFollowsAndClearsTheLogin)
{
    SiteEntry e = site("a");
    EXPECT_TRUE(SiteFields::of(e).anonymous);
    EXPECT_FALSE(SiteFields::of(folder("f")).anonymous);
    e.username = "bob";
    SiteFields fields = SiteFields::of(e);
    EXPECT_FALSE(fields.anonymous);
    fields.anonymous = true;
    fields.password = "secret";
    fields.label = "renamed";
    fields.storeInto(e);
    EXPECT_EQ(e.username, "");
    EXPECT_EQ(e.password, "");
    EXPECT_EQ(e.label, "renamed");
}

TEST(SitesMenu, FoldersBecomeSubmenusAndSitesCommands)
{
    SiteList list = sampleTree();
    EXPECT_EQ(SitesMenu::commandOf(5), 57338);
    EXPECT_EQ(SitesMenu::indexOf(57338, list), 5u);
    EXPECT_FALSE(SitesMenu::indexOf(57337, list));  // past the end: a stale command
    EXPECT_FALSE(SitesMenu::indexOf(57343, list));  // a folder opens nothing
    EXPECT_FALSE(SitesMenu::indexOf(57344, list));

    auto menu = SitesMenu::build(list);
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_TRUE(menu[0].folder);
    EXPECT_EQ(menu[0].items[0].items[0].label, "build");
    EXPECT_EQ(menu[0].items[0].items[0].command, 57341);
    EXPECT_EQ(menu[1].command, 57340);
    EXPECT_EQ(menu[2].items[0].command, 57338);
    EXPECT_TRUE(SitesMenu::build(SiteList()).empty());

    // Parent values that loop are never reached from the top.
    SiteList looped({site("top"), folder("a", 2), folder("b", 1), folder("self", 3)});
    EXPECT_EQ(SitesMenu::build(looped).size(), 1u);
}

} // namespace
} // namespace varnix
