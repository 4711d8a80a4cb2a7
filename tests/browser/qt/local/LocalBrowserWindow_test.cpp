// A local window driven as a person drives it: clicking rows, headings,
// toolbar buttons and context-menu items, typing into the path box and the
// name editor, and answering its questions; other programs change the
// folder meanwhile. A stand-in remote window receives the uploads.

#include "browser/UploadTarget.h"
#include "browser/Workspace.h"
#include "browser/qt/local/LocalBrowserWindow.h"
#include "browser/qt/local/LocalFileModel.h"
#include "browser/qt/local/LocalFolderBox.h"
#include "model/ScopedTimeZone.h"
#include "platform/Profile.h"
#include "queue/ConflictChoice.h"
#include "support/TempTree.h"
#include "support/qt/ModalDriver.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

QString messageOf(QWidget* box)
{
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    return label ? label->text() : QString();
}

// A remote window that shows a folder and records what it is given.
struct FakeRemote : RemoteWindow, UploadTarget {
    const SiteHandle& site() const override { return site_; }
    bool hasSession() const override { return false; }
    CFTPSession* handOver() override { return nullptr; }
    void adopt(CFTPSession*) override {}
    bool canUpload() const override { return true; }
    bool transferNow() const override { return now; }
    void upload(const std::string& path, ConflictChoice& choice, bool startNow) override
    {
        uploads.push_back(std::filesystem::path(path).filename().string() + (startNow ? " now" : " queued"));
        choices.push_back(&choice);
    }
    SiteHandle site_;
    bool now = true;
    std::vector<std::string> uploads;
    std::vector<const ConflictChoice*> choices;
};

// The trash as the window reaches it, watched: nothing may refresh the list
// while items go, and an item can be made to stay.
class WatchedWindow : public LocalBrowserWindow {
public:
    using LocalBrowserWindow::LocalBrowserWindow;
    int rowsDuringTrash = -1;
    std::vector<QUrl> opened;

protected:
    bool moveToTrash(const std::string& path, QString& why) override
    {
        if (path.ends_with("locked.txt")) {
            why = QStringLiteral("Permission denied");
            return false;
        }
        bool moved = LocalBrowserWindow::moveToTrash(path, why);
        QTest::qWait(400);  // time enough for the watcher to report the change
        rowsDuringTrash = rows().rowCount();
        return moved;
    }
    bool openExternally(const QUrl& url) override
    {
        opened.push_back(url);
        return true;
    }
};

class LocalWindowTest : public ::testing::Test {
protected:
    LocalWindowTest()
    {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            if (const char* value = std::getenv(name))
                saved.emplace_back(name, value);
        ::setenv("HOME", tree.root().c_str(), 1);
        ::setenv("XDG_DATA_HOME", tree.path(".local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", tree.path(".config").c_str(), 1);
        tree.mkdir("Desktop");
        tree.writeSized("shown/a.txt", 2000);
        tree.write("shown/b.txt", "b");
        tree.mkdir("shown/sub");
        tree.setMtime("shown/a.txt", 1015517100);
        shown = tree.path("shown").string();
    }
    ~LocalWindowTest() override
    {
        window.reset();
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            ::unsetenv(name);
        for (const auto& [name, value] : saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }

    WatchedWindow& open(std::optional<std::string> folder = std::nullopt)
    {
        window = std::make_unique<WatchedWindow>(model, std::move(folder));
        window->resize(700, 400);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    QTreeView& list() { return window->list(); }
    QStringList column(int which)
    {
        QStringList texts;
        for (int row = 0; row < window->rows().rowCount(); ++row)
            texts << window->rows().index(row, which).data().toString();
        return texts;
    }
    bool lists(const QStringList& names)
    {
        return QTest::qWaitFor([&] { return column(0) == names; }, 5000);
    }
    QPoint rowCentre(const QString& name)
    {
        int row = int(column(0).indexOf(name));
        EXPECT_GE(row, 0) << name.toStdString();
        return list().visualRect(window->rows().index(row, 0)).center();
    }
    // A click also brings the window back to the front after a message.
    void click(const QString& name, Qt::KeyboardModifiers keys = {})
    {
        if (!window->isActiveWindow()) {
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        QTest::mouseClick(list().viewport(), Qt::LeftButton, keys, rowCentre(name));
    }
    // As a person double-clicks: a click, then the second one.
    void doubleClick(const QString& name)
    {
        click(name);
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, rowCentre(name));
    }
    QStringList selected()
    {
        QStringList names;
        for (const std::string& path : window->selectedPaths())
            names << QString::fromStdString(std::filesystem::path(path).filename().string());
        return names;
    }
    // The name editor a row opens in place.
    QLineEdit* editor()
    {
        for (QLineEdit* edit : list().viewport()->findChildren<QLineEdit*>())
            if (edit->isVisible())
                return edit;
        return nullptr;
    }
    QToolButton* button(const char* tip) { return findNamed<QToolButton>(window.get(), QString::fromLatin1(tip)); }
    // Right-clicks the list and clicks an item; false when it is not there or disabled.
    bool choose(const QString& text)
    {
        QPoint at = list().viewport()->rect().center();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, list().viewport()->mapToGlobal(at));
        QApplication::sendEvent(list().viewport(), &rightClick);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return false;
        for (QAction* action : menu->actions()) {
            if (action->text() == text && action->isEnabled()) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return true;
            }
        }
        menu->close();
        return false;
    }
    void typeFolder(const QString& text)
    {
        QLineEdit* edit = window->folderBox().lineEdit();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    test::TempTree tree{"varnix-local"};
    std::vector<std::pair<std::string, std::string>> saved;
    std::string shown;
    MemoryProfile profile;
    Workspace model{profile};
    std::unique_ptr<WatchedWindow> window;
};

TEST_F(LocalWindowTest, BrowsesFollowsChangesAndKeepsItsPlace)
{
    test::ScopedTimeZone utc("UTC");
    profile.writeString("LocalWindow0", "Folder", shown);
    WatchedWindow& w = open();
    ASSERT_TRUE(lists({"sub", "a.txt", "b.txt"}));
    EXPECT_EQ(w.windowTitle(), "shown");
    EXPECT_EQ(w.folderBox().currentText(), QString::fromStdString(shown));
    EXPECT_EQ(column(1), (QStringList{"", "2 KB", "1 KB"}));
    EXPECT_EQ(column(3)[1], "3/7/2002 4:05 PM");
    EXPECT_FALSE(column(2)[1].isEmpty());
    EXPECT_FALSE(button("Go To Last Folder Visited")->isEnabled());

    // Other programs change the folder; the selection stays on its row.
    click("b.txt");
    tree.write("shown/c.txt", "ccc");
    ASSERT_TRUE(lists({"sub", "a.txt", "b.txt", "c.txt"}));
    std::filesystem::rename(tree.path("shown/a.txt"), tree.path("shown/0.txt"));
    ASSERT_TRUE(lists({"sub", "0.txt", "b.txt", "c.txt"}));
    std::filesystem::remove(tree.path("shown/c.txt"));
    ASSERT_TRUE(lists({"sub", "0.txt", "b.txt"}));
    EXPECT_EQ(selected(), QStringList{"b.txt"});

    // Headings sort, a second click turns the order round.
    QHeaderView* header = list().header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(0), (QStringList{"sub", "b.txt", "0.txt"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(0), (QStringList{"0.txt", "b.txt", "sub"}));
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(selected(), QStringList{"b.txt"});

    // Into a folder, back, and up to the desktop, where Up One Level stops.
    doubleClick("sub");
    ASSERT_TRUE(lists({}));
    EXPECT_EQ(w.windowTitle(), "sub");
    QTest::mouseClick(button("Go To Last Folder Visited"), Qt::LeftButton);
    ASSERT_TRUE(lists({"0.txt", "b.txt", "sub"}));
    QTest::mouseClick(button("Up One Level"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return column(0).contains("shown"); }, 5000));
    EXPECT_EQ(w.windowTitle(), "Home");
    QTest::mouseClick(button("Up One Level"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return column(0).contains("File System"); }, 5000));
    EXPECT_TRUE(column(0).contains("Home"));
    EXPECT_TRUE(column(0).contains("Desktop"));
    EXPECT_EQ(w.windowTitle(), "Desktop");
    EXPECT_FALSE(button("Up One Level")->isEnabled());
    EXPECT_FALSE(button("Create New Folder")->isEnabled());
    EXPECT_EQ(w.folder(), tree.path("Desktop").string());  // where downloads land meanwhile

    // A wrong path is said so and stays to be put right; a right one is opened.
    whenModal([](QWidget* box) {
        EXPECT_EQ(messageOf(box), "There is no folder \"/no/such/place\".");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    typeFolder("/no/such/place");
    EXPECT_EQ(w.folderBox().lineEdit()->text(), "/no/such/place");
    EXPECT_EQ(w.windowTitle(), "Desktop");
    typeFolder("~/shown/sub/..");
    ASSERT_TRUE(lists({"0.txt", "b.txt", "sub"}));

    // The path box lists the desktop's places and the chain to the folder.
    QStringList items;
    for (int i = 0; i < w.folderBox().count(); ++i)
        items << w.folderBox().itemText(i);
    EXPECT_EQ(items.mid(0, 4), (QStringList{"Desktop", "Home", "shown", "Desktop"}));
    EXPECT_EQ(w.folderBox().currentIndex(), 2);

    // Closing keeps the folder and the sort; the next window opens there.
    w.close();
    EXPECT_EQ(profile.readString("LocalWindow0", "Folder", ""), shown);
    EXPECT_EQ(profile.readInt("LocalWindow0", "SortMode", 0), 17u);
    window.reset();
    WatchedWindow& again = open();
    ASSERT_TRUE(lists({"0.txt", "b.txt", "sub"}));
    EXPECT_EQ(again.list().header()->sortIndicatorOrder(), Qt::DescendingOrder);

    // Replicate View asks for a second window at the same folder.
    std::string replicated;
    QObject::connect(&again, &LocalBrowserWindow::replicateRequested,
                     [&](const std::string& folder) { replicated = folder; });
    ASSERT_TRUE(choose("Replicate View"));
    EXPECT_EQ(replicated, shown);
}

// The remote window's keys here too: Backspace in the list and Alt+Up go up,
// Alt+Left back; Shift+Tab reaches the path box, where Backspace edits text.
TEST_F(LocalWindowTest, KeysGoUpAndBackAndTabReachesThePathBox)
{
    WatchedWindow& w = open(tree.path("shown/sub").string());
    ASSERT_TRUE(lists({}));
    list().setFocus();
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, QString> moves[] = {
        {Qt::Key_Backspace, {}, "shown"}, {Qt::Key_Left, Qt::AltModifier, "sub"},
        {Qt::Key_Up, Qt::AltModifier, "shown"}, {Qt::Key_Up, Qt::AltModifier, "Home"},
        {Qt::Key_Left, Qt::AltModifier, "shown"}};
    for (const auto& [key, modifiers, title] : moves) {
        QTest::keyClick(&list(), key, modifiers);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.windowTitle() == title; }, 5000)) << key;
    }
    QTest::keyClick(&list(), Qt::Key_Tab, Qt::ShiftModifier);
    QLineEdit* edit = w.folderBox().lineEdit();
    ASSERT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QString::fromStdString(shown).chopped(1));
    EXPECT_EQ(w.windowTitle(), "shown");
}

// As a person types a path: a click into the box, which then holds the
// focus for its edit field, the text, and Enter.
TEST_F(LocalWindowTest, ThePathBoxGoesWhereATypedPathLeadsOrSaysThereIsNoSuchFolder)
{
    tree.mkdir("shown/sub/deeper");
    tree.mkdir("shown/with space");
    WatchedWindow& w = open(shown);
    ASSERT_TRUE(lists({"sub", "with space", "a.txt", "b.txt"}));
    const QStringList top{"sub", "with space", "a.txt", "b.txt"};
    const QString deeper = QString::fromStdString(tree.path("shown/sub/deeper").string());
    struct Step { QString typed; const char* folder; QStringList rows; } steps[] = {
        {"sub", "shown/sub", {"deeper"}},
        {"..", "shown", top},
        {deeper, "shown/sub/deeper", {}},
        {"~/shown/", "shown", top},
        {"file://" + QString::fromStdString(shown) + "/with%20space", "shown/with space", {}},
        {"/no/such/place", nullptr, {}},
        {"~/shown/a.txt", nullptr, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed.toStdString());
        const std::string before = w.currentFolder();
        QString message;
        if (!step.folder)
            whenModal([&](QWidget* box) {
                message = messageOf(box);
                QTest::keyClick(box, Qt::Key_Escape);
            });
        if (!w.isActiveWindow()) {
            w.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        }
        QTest::mouseClick(w.folderBox().lineEdit(), Qt::LeftButton);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(focus, &w.folderBox());
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus, step.typed);
        QTest::keyClick(focus, Qt::Key_Return);
        if (!step.folder) {
            EXPECT_EQ(message, "There is no folder \"" + step.typed + "\".");
            EXPECT_EQ(w.currentFolder(), before);
            EXPECT_EQ(w.folderBox().lineEdit()->text(), step.typed);
            continue;
        }
        const std::filesystem::path there = tree.path(step.folder);
        EXPECT_TRUE(lists(step.rows));
        EXPECT_EQ(w.currentFolder(), there.string());
        EXPECT_EQ(w.windowTitle().toStdString(), there.filename().string());
        EXPECT_EQ(w.folderBox().lineEdit()->text().toStdString(), there.string());
    }
}

TEST_F(LocalWindowTest, NewFoldersAreNamedInPlaceAndDeletesGoToTheTrash)
{
    tree.mkdir("shown/New Folder");
    tree.mkdir("shown/New Folder (2)");
    tree.write("shown/locked.txt", "stays");
    WatchedWindow& w = open(shown);
    ASSERT_TRUE(lists({"New Folder", "New Folder (2)", "sub", "a.txt", "b.txt", "locked.txt"}));

    QTest::mouseClick(button("Create New Folder"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor() != nullptr; }, 5000));
    QLineEdit* name = editor();
    EXPECT_EQ(name->text(), "New Folder (3)");
    EXPECT_EQ(selected(), QStringList{"New Folder (3)"});
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, "Made");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::is_directory(tree.path("shown/Made")); }, 5000));
    ASSERT_TRUE(lists({"Made", "New Folder", "New Folder (2)", "sub", "a.txt", "b.txt", "locked.txt"}));
    EXPECT_EQ(selected(), QStringList{"Made"});

    // A rename onto a name in use is refused and says why.
    click("a.txt");
    ASSERT_TRUE(w.canRun(FrameCommand::Rename));
    w.run(FrameCommand::Rename);
    name = editor();
    ASSERT_NE(name, nullptr);
    QString told;
    whenModal([&](QWidget* box) {
        told = messageOf(box);
        QTest::keyClick(box, Qt::Key_Enter);
    });
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, "b.txt");
    QTest::keyClick(name, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !told.isEmpty(); }, 5000));
    EXPECT_TRUE(told.contains("File exists")) << told.toStdString();
    EXPECT_EQ(tree.read("shown/b.txt"), "b");
    EXPECT_EQ(column(0).count("a.txt"), 1);

    // Delete asks first; the list is not rebuilt while the items go.
    click("a.txt");
    click("b.txt", Qt::ControlModifier);
    whenModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });  // No
    QTest::keyClick(&list(), Qt::Key_Delete);
    EXPECT_TRUE(tree.exists("shown/a.txt"));
    whenModal([](QWidget* box) {
        EXPECT_TRUE(messageOf(box).contains("2 items"));
        QTest::keyClick(box, Qt::Key_Enter);  // Yes
    });
    ASSERT_TRUE(choose("Delete\tDel"));
    EXPECT_EQ(w.rowsDuringTrash, 7);
    EXPECT_EQ(column(0), (QStringList{"Made", "New Folder", "New Folder (2)", "sub", "locked.txt"}));
    EXPECT_TRUE(tree.exists(".local/share/Trash/files/a.txt"));
    EXPECT_TRUE(tree.exists(".local/share/Trash/info/b.txt.trashinfo"));

    // An item that cannot go stays, and the window says why.
    click("locked.txt");
    told.clear();
    whenModal([&](QWidget* question) {
        whenModal([&](QWidget* warning) {
            told = messageOf(warning);
            QTest::keyClick(warning, Qt::Key_Enter);
        });
        QTest::keyClick(question, Qt::Key_Enter);
    });
    ASSERT_TRUE(choose("Delete\tDel"));
    EXPECT_TRUE(told.contains("locked.txt: Permission denied")) << told.toStdString();
    EXPECT_TRUE(column(0).contains("locked.txt"));
}

TEST_F(LocalWindowTest, FilesGoToTheCurrentRemoteWindow)
{
    WatchedWindow& w = open(shown);
    ASSERT_TRUE(lists({"sub", "a.txt", "b.txt"}));
    click("a.txt");
    click("b.txt", Qt::ControlModifier);
    EXPECT_FALSE(choose("Upload"));  // no remote window yet
    EXPECT_FALSE(button("Transfer")->isEnabled());

    FakeRemote remote;
    model.activateRemote(&remote);
    ASSERT_TRUE(choose("Upload"));
    ASSERT_TRUE(choose("Queue"));
    remote.now = false;
    QTest::qWait(20);  // the buttons follow when the program is idle
    QTest::mouseClick(button("Transfer"), Qt::LeftButton);
    EXPECT_EQ(remote.uploads, (std::vector<std::string>{"a.txt now", "b.txt now", "a.txt queued", "b.txt queued",
                                                        "a.txt queued", "b.txt queued"}));
    EXPECT_EQ(remote.choices[0], remote.choices[1]);  // one choice per command

    // A file opens in the remote window by double-click or Enter; a folder here.
    remote.uploads.clear();
    remote.now = true;
    doubleClick("b.txt");
    click("a.txt");
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(remote.uploads, (std::vector<std::string>{"b.txt now", "a.txt now"}));
    ASSERT_TRUE(choose("Open"));
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0].toLocalFile().toStdString(), shown + "/a.txt");
    tree.symlink("shown/link", "sub");
    ASSERT_TRUE(lists({"link", "sub", "a.txt", "b.txt"}));
    doubleClick("link");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.windowTitle() == "link"; }, 5000));
    EXPECT_EQ(remote.uploads.size(), 2u);
    model.removeRemote(&remote);
}

} // namespace
} // namespace varnix
