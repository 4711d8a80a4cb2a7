#include "browser/local/LocalBrowser.h"

#include "browser/UploadTarget.h"
#include "browser/Workspace.h"
#include "browser/dnd/Drops.h"
#include "browser/local/FolderWatcher.h"
#include "browser/local/LocalCopy.h"
#include "platform/Profile.h"
#include "settings/SettingsRecord.h"
#include "site/LoginRegistry.h"

#include "support/TempTree.h"
#include "support/UnstartedWindow.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace varnix {
namespace {

struct FakeWatcher : FolderWatcher {
    void setFolder(const std::string& folder) override { told += "set " + folder + ";"; }
    void refresh() override { told += "refresh;"; }
    bool refreshPending() const override { return false; }
    void setIgnoreChanges(bool ignore) override { told += ignore ? "ignore;" : "heed;"; }
    const FolderTree& tree() const override { return built; }
    const ContentsHandle& contents() const override { return listed; }

    void list(const std::string& folder, std::vector<std::string> paths = {}, int error = 0)
    {
        FolderContents contents;
        contents.folder = folder;
        contents.error = error;
        for (std::string& path : paths) {
            LocalItem item;
            item.path = std::move(path);
            contents.items.push_back(item);
        }
        listed = makeShared<const FolderContents>(std::move(contents));
    }

    std::string told;
    FolderTree built;
    ContentsHandle listed;
};

struct RecordingView : LocalView {
    void showFolder() override { shown += "folder;"; }
    void showTree(const FolderTree&) override { shown += "tree;"; }
    void showContents(const FolderContents& contents) override { shown += "contents " + contents.folder + ";"; }
    void removeRows(const std::vector<std::string>& paths) override { removed = paths; }
    void editName(const std::string& path) override { editing = path; }
    void refreshCommands() override { ++refreshed; }

    std::string shown;
    std::vector<std::string> removed;
    std::string editing;
    int refreshed = 0;
};

struct NoClashes : ClashQuestion {
    ClashAnswer ask(const Clash&, bool&) override { return ClashAnswer::Cancel; }
};

struct FakeDesktop : LocalDesktop {
    void warn(const LocalMessage& message) override { warnings.push_back(message); }
    bool confirm(const std::string& question) override
    {
        asked = question;
        return agree;
    }
    bool moveToTrash(const std::string& path, std::string& why) override
    {
        watcherDuringTrash = watcher->told;
        if (path.ends_with("locked"))
            why = "Permission denied";
        return !path.ends_with("locked");
    }
    bool openExternally(const std::string& path) override { return path != "/nothing-opens-this"; }
    std::string homeFolder() override { return home; }
    std::string desktopFolder() override { return desktop; }
    ClashQuestion& clashQuestion() override { return clashes; }
    void copy(CopyPlan plan) override { copies.push_back(std::move(plan)); }

    FakeWatcher* watcher = nullptr;
    std::vector<LocalMessage> warnings;
    std::string asked;
    bool agree = true;
    std::string watcherDuringTrash;
    std::string home = "/";
    std::string desktop;
    NoClashes clashes;
    std::vector<CopyPlan> copies;
};

struct Remote : test::UnstartedWindow, UploadTarget {
    using UnstartedWindow::UnstartedWindow;
    bool canUpload() const override { return showsFolder; }
    bool transferNow() const override { return true; }
    void upload(const std::string& path, ConflictChoice&, bool) override { uploads.push_back(path); }
    bool showsFolder = true;
    std::vector<std::string> uploads;
};

class LocalBrowserTest : public ::testing::Test {
protected:
    LocalBrowserTest() { desktop.watcher = &watcher; }

    LocalBrowser& open(const std::string& start)
    {
        browser = std::make_unique<LocalBrowser>(watcher, view, desktop, workspace, start);
        return *browser;
    }
    std::string folder(const std::string& name) { return tree.mkdir(name).string(); }

    test::TempTree tree;
    MemoryProfile profile;
    LoginRegistry logins;
    SettingsRecord global;
    Workspace workspace{profile, logins, global};
    FakeWatcher watcher;
    RecordingView view;
    FakeDesktop desktop;
    std::unique_ptr<LocalBrowser> browser;
};

TEST_F(LocalBrowserTest, StartsWhereAskedOrWhereItWasAndOtherwiseOnTheDesktop)
{
    std::string docs = folder("docs");
    struct Case { std::optional<std::string> chosen; std::string saved; std::string start; } cases[] = {
        {docs + "/../docs/", "/", docs},
        {std::nullopt, docs, docs},
        {std::nullopt, docs + "/gone", ""},
        {"", docs, ""},                   // the desktop, asked for
        {"relative/path", docs, ""},
        {tree.write("file.txt", "x").string(), docs, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocalBrowser::startFolder(c.chosen, c.saved), c.start) << c.chosen.value_or("(none)");
}

TEST_F(LocalBrowserTest, WhatWasBuiltForAFolderLeftIsPassedOver)
{
    std::string a = folder("a"), b = folder("b");
    LocalBrowser& local = open(a);
    local.goTo(b);
    watcher.built.nodes = {{"", "Desktop", "", "", 0}, {a, "a", "", "", 1}};
    watcher.built.current = 1;
    watcher.list(a);
    local.take(FolderWatcher::kTreeChanged | FolderWatcher::kContentsChanged);
    EXPECT_EQ(view.shown, "folder;");
    watcher.built.nodes[1] = {b, "Bee", "", "", 1};
    watcher.list(b, {}, EACCES);
    local.take(FolderWatcher::kTreeChanged | FolderWatcher::kContentsChanged);
    EXPECT_EQ(view.shown, "folder;tree;contents " + b + ";");
    EXPECT_EQ(local.title(), "Bee");
    // A folder that cannot be read is told of on arrival, not on each refresh.
    ASSERT_EQ(desktop.warnings.size(), 1u);
    EXPECT_EQ(desktop.warnings[0].text, "Cannot read " + b + ": " + std::strerror(EACCES) + ".");
    EXPECT_TRUE(desktop.warnings[0].afterEvent);
    local.take(FolderWatcher::kContentsChanged);
    EXPECT_EQ(desktop.warnings.size(), 1u);
}

TEST_F(LocalBrowserTest, TrashAsksThenMovesWithTheWatcherQuiet)
{
    std::string here = folder("here");
    LocalBrowser& local = open(here);
    local.selectionChanged(2);
    desktop.agree = false;
    local.trash({here + "/a"});
    EXPECT_EQ(desktop.asked, "Move \"a\" to the trash?");
    EXPECT_TRUE(view.removed.empty());
    desktop.agree = true;
    local.trash({here + "/a", here + "/locked"});
    EXPECT_EQ(desktop.asked, "Move these 2 items to the trash?");
    EXPECT_EQ(desktop.watcherDuringTrash, "ignore;");
    EXPECT_EQ(watcher.told, "ignore;heed;");
    EXPECT_EQ(view.removed, std::vector<std::string>{here + "/a"});
    ASSERT_EQ(desktop.warnings.size(), 1u);
    EXPECT_EQ(desktop.warnings[0].text, "Not moved to the trash:\nlocked: Permission denied");
    // The desktop's places are never trashed.
    LocalBrowser& atDesktop = open("");
    atDesktop.selectionChanged(1);
    desktop.asked.clear();
    atDesktop.trash({"/home"});
    EXPECT_EQ(desktop.asked, "");
}

TEST_F(LocalBrowserTest, RenamingRefusesBadAndTakenNames)
{
    LocalBrowser& local = open(folder("r"));
    tree.write("r/one", "1");
    tree.write("r/two", "2");
    LocalItem one;
    one.path = tree.path("r/one").string();
    one.name = "one";
    EXPECT_FALSE(local.rename(one, "a/b"));
    EXPECT_FALSE(local.rename(one, "two"));
    ASSERT_EQ(desktop.warnings.size(), 2u);
    EXPECT_EQ(desktop.warnings[1].text, std::string("Could not rename one to two: ") + std::strerror(EEXIST) + ".");
    EXPECT_TRUE(desktop.warnings[1].afterEvent);
    EXPECT_EQ(tree.read("r/two"), "2");
    EXPECT_TRUE(local.rename(one, "three"));
    EXPECT_EQ(tree.read("r/three"), "1");
}

TEST_F(LocalBrowserTest, ANewFolderIsNamedInPlaceOnceListed)
{
    std::string here = folder("n");
    LocalBrowser& local = open(here);
    local.createFolder();
    EXPECT_TRUE(tree.exists("n/New Folder"));
    watcher.list(here);
    local.take(FolderWatcher::kContentsChanged);
    EXPECT_EQ(view.editing, "");
    watcher.list(here, {here + "/New Folder"});
    local.take(FolderWatcher::kContentsChanged);
    EXPECT_EQ(view.editing, here + "/New Folder");
    ::chmod(here.c_str(), 0500);
    local.createFolder();
    ::chmod(here.c_str(), 0700);
    if (!tree.exists("n/New Folder (2)")) {  // root may write anyway
        ASSERT_EQ(desktop.warnings.size(), 1u);
        EXPECT_EQ(desktop.warnings[0].text, "Failed to create new directory");
        EXPECT_EQ(desktop.warnings[0].detail, std::strerror(EACCES));
    }
}

TEST_F(LocalBrowserTest, TypedPathsGoWhereTheyNameOrStayToBePutRight)
{
    std::string here = folder("t");
    folder("t/sub");
    LocalBrowser& local = open(here);
    struct Case { std::string typed; std::string told; std::string warning; } cases[] = {
        {"  ", "", ""},
        {here, "refresh;", ""},
        {"sub", "set " + here + "/sub;", ""},
        {" nowhere ", "", "There is no folder \"nowhere\"."},
    };
    for (const Case& c : cases) {
        watcher.told.clear();
        desktop.warnings.clear();
        local.enterTyped(c.typed);
        EXPECT_EQ(watcher.told, c.told) << c.typed;
        EXPECT_EQ(desktop.warnings.empty() ? "" : desktop.warnings[0].text, c.warning) << c.typed;
    }
    EXPECT_EQ(local.currentFolder(), here + "/sub");
}

TEST_F(LocalBrowserTest, DropsLandInTheFolderOrOnTheDesktopFolder)
{
    std::string here = folder("d");
    std::string file = tree.write("src.txt", "x").string();
    open(here).drop(DropData{{file}, std::nullopt}, false);
    ASSERT_EQ(desktop.copies.size(), 1u);
    EXPECT_EQ(desktop.copies[0].items[0].target, here + "/src.txt");

    LocalBrowser& atDesktop = open("");
    desktop.home = tree.root().string();
    desktop.desktop = tree.path("Desktop").string();
    EXPECT_EQ(atDesktop.targetFolder(), desktop.home);  // no Desktop folder yet
    desktop.desktop = folder("Desktop");
    EXPECT_EQ(atDesktop.targetFolder(), desktop.desktop);
    atDesktop.drop(DropData{}, false);
    EXPECT_EQ(desktop.copies.size(), 1u);
}

TEST_F(LocalBrowserTest, UploadsFollowTheCurrentRemoteWindow)
{
    LocalBrowser& local = open(folder("u"));
    local.selectionChanged(1);
    EXPECT_FALSE(local.commands().upload);
    Remote remote(workspace.makeSite({"127.0.0.1", "21", "", ""}));
    int before = view.refreshed;
    workspace.activateRemote(&remote);
    EXPECT_EQ(view.refreshed, before + 1);
    EXPECT_TRUE(local.commands().upload);
    remote.showsFolder = false;
    workspace.remoteFolderChanged(&remote);
    EXPECT_EQ(view.refreshed, before + 2);
    EXPECT_FALSE(local.commands().upload);
    remote.showsFolder = true;
    local.activate({LocalItem{}});
    EXPECT_EQ(remote.uploads.size(), 1u);
    workspace.removeRemote(&remote);
    EXPECT_EQ(view.refreshed, before + 3);
    browser.reset();
    workspace.activateRemote(&remote);  // a closed window is told nothing
    EXPECT_EQ(view.refreshed, before + 3);
    workspace.removeRemote(&remote);
}

TEST(LocalHistory, EveryMoveTellsTheWatcher)
{
    FakeWatcher watch;
    LocalHistory browsing(watch, "/home/me/src");
    EXPECT_FALSE(browsing.canGoBack());
    FolderTree tree;
    tree.nodes = {{"", "Desktop", "", "", 0}, {"/home/me", "Home", "", "", 1}, {"/home/me/src", "src", "", "", 2}};
    browsing.goUp(tree);
    browsing.goUp(tree);
    EXPECT_TRUE(browsing.atDesktop());
    browsing.goUp(tree);  // nothing above the desktop
    browsing.enter("/usr/lib");
    browsing.goUp(tree);  // not in the tree: by its path
    browsing.enter("/usr");
    EXPECT_EQ(watch.told, "set /home/me;set ;set /usr/lib;set /usr;refresh;");
    EXPECT_EQ(browsing.historySize(), 5u);
    browsing.goBack();
    browsing.goBack();
    EXPECT_EQ(browsing.current(), "");
    EXPECT_EQ(browsing.historySize(), 3u);

    // A new folder is named once, when the current folder's contents list it.
    browsing.goTo("/f");
    browsing.expectNewFolder("/f/New Folder");
    FolderContents without{"/f", {}, 0};
    LocalItem created;
    created.path = "/f/New Folder";
    FolderContents with{"/f", {created}, 0};
    EXPECT_EQ(browsing.takeNewFolder(without), "");
    EXPECT_EQ(browsing.takeNewFolder(with), "/f/New Folder");
    EXPECT_EQ(browsing.takeNewFolder(with), "");
    browsing.expectNewFolder("/f/New Folder");
    browsing.goBack();
    browsing.goTo("/f");
    EXPECT_EQ(browsing.takeNewFolder(with), "");
}

} // namespace
} // namespace varnix
