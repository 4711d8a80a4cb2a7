// The desktop program's main window, driven as a person drives it: typing
// into the quick-connect bar, pressing Enter, clicking toolbar buttons and
// tabs, choosing menu items, closing and starting the program again on the
// same profile.

#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "app/qt/WindowTabBar.h"
#include "platform/qt/QSettingsProfile.h"
#include "platform/qt/QtDispatcher.h"
#include "queue/qt/QueueList.h"
#include "settings/SettingsRecord.h"
#include "settings/SiteList.h"
#include "support/qt/ModalDriver.h"
#include "support/TempTree.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace varnix {
namespace {

template <class Widget>
Widget* named(QWidget& top, const QString& accessibleName)
{
    for (Widget* w : top.findChildren<Widget*>())
        if (w->accessibleName() == accessibleName)
            return w;
    return nullptr;
}

// The item a person reaches through the menu bar, e.g. {"&Window", "&Auto Arrange", "&Cascade"}.
QAction* menuItem(QMainWindow& frame, const QStringList& path)
{
    QList<QAction*> actions = frame.menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& step : path) {
        found = nullptr;
        for (QAction* action : actions)
            if (action->text() == step)
                found = action;
        if (!found)
            return nullptr;
        if (found->menu()) {
            emit found->menu()->aboutToShow();
            actions = found->menu()->actions();
        }
    }
    return found;
}

// Chooses a menu item; false when a person could not (missing or disabled).
bool choose(QMainWindow& frame, const QStringList& path)
{
    QAction* item = menuItem(frame, path);
    if (!item || !item->isEnabled())
        return false;
    item->trigger();
    return true;
}

class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        app.reset();
        profile.reset();
    }

    MainWindow& start()
    {
        profile = std::make_unique<QSettingsProfile>(profileFile());
        app = std::make_unique<Application>(*profile);
        MainWindow& frame = app->mainWindow();
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        return frame;
    }
    // Closes the window as a person does and starts the program again.
    MainWindow& restart()
    {
        app->mainWindow().close();
        app.reset();
        profile.reset();
        return start();
    }
    std::string profileFile() const { return tree.path("Varnix.conf").string(); }

    QLineEdit* field(const char* label) { return named<QLineEdit>(app->mainWindow(), QString::fromLatin1(label)); }
    QComboBox* hostBox() { return named<QComboBox>(app->mainWindow(), QStringLiteral("Host:")); }
    QToolButton* button(const char* tip) { return named<QToolButton>(app->mainWindow(), QString::fromLatin1(tip)); }
    QList<QMdiSubWindow*> windows() { return app->mainWindow().mdiArea().subWindowList(QMdiArea::CreationOrder); }
    QStringList tabTexts()
    {
        QStringList texts;
        WindowTabBar& tabs = app->mainWindow().windowTabs();
        for (int i = 0; i < tabs.count(); ++i)
            texts << tabs.tabText(i);
        return texts;
    }
    void typeInto(QWidget* widget, const QString& text, bool clearFirst = true)
    {
        if (clearFirst) {
            QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(widget, Qt::Key_Backspace);
        }
        QTest::keyClicks(widget, text);
    }
    // Types a site into the bar and presses Enter.
    void connectTo(const QString& host, const QString& user, const QString& password)
    {
        typeInto(hostBox()->lineEdit(), host);
        typeInto(field("Username:"), user);
        typeInto(field("Password:"), password);
        QTest::keyClick(field("Password:"), Qt::Key_Return);
    }
    void settle() { QTest::qWait(50); }

    // Remote windows try to connect: their notices come to this thread.
    QtDispatcher dispatcher;
    test::TempTree tree{"varnix-frame"};
    std::unique_ptr<QSettingsProfile> profile;
    std::unique_ptr<Application> app;
};

TEST_F(MainWindowTest, FirstStartTilesWindowsSideBySideAndGuardsTheConnectCommands)
{
    MainWindow& frame = start();
    EXPECT_TRUE(menuItem(frame, {"&Window", "&Auto Arrange", "&Auto Arrange"})->isChecked());
    EXPECT_TRUE(menuItem(frame, {"&Window", "&Auto Arrange", "Tile &Vertically"})->isChecked());
    EXPECT_EQ(field("Port:")->text(), "21");
    EXPECT_TRUE(frame.queueBar().isVisible());
    EXPECT_TRUE(menuItem(frame, {"&View", "&Queue"})->isChecked());
    EXPECT_EQ(frame.dockWidgetArea(&frame.queueBar()), Qt::BottomDockWidgetArea);
    frame.openLocalWindow();
    settle();
    // Everything a person can click or type into has a name a screen reader can say.
    for (QWidget* control : frame.findChildren<QWidget*>()) {
        bool clickable = qobject_cast<QAbstractButton*>(control) || qobject_cast<QTabBar*>(control);
        if (!control->isVisible() || (control->focusPolicy() == Qt::NoFocus && !clickable))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << control->metaObject()->className();
    }
    ASSERT_TRUE(choose(frame, {"&Window", "&Close"}));
    settle();

    // Nothing typed yet: the connect commands wait for a host.
    EXPECT_FALSE(menuItem(frame, {"&File", "New &Connection"})->isEnabled());
    EXPECT_FALSE(button("Connect")->isEnabled());
    EXPECT_FALSE(button("Bookmark")->isEnabled());
    typeInto(hostBox()->lineEdit(), "FTP.Example.org");
    EXPECT_EQ(hostBox()->currentText(), "ftp.example.org");
    EXPECT_TRUE(button("Connect")->isEnabled());
    EXPECT_TRUE(button("Site Settings")->isEnabled());
    // An empty port disables them again; letters never get into it.
    typeInto(field("Port:"), "");
    EXPECT_FALSE(menuItem(frame, {"&File", "New &Connection"})->isEnabled());
    EXPECT_FALSE(button("Site Settings")->isEnabled());
    typeInto(field("Port:"), "2x1");
    EXPECT_EQ(field("Port:")->text(), "21");

    QTest::mouseClick(button("New Local Window"), Qt::LeftButton);
    QTest::keyClick(hostBox()->lineEdit(), Qt::Key_Return);
    settle();
    ASSERT_EQ(windows().size(), 2);
    EXPECT_EQ(windows()[1]->windowTitle(), "anonymous@ftp.example.org:21");
    EXPECT_EQ(frame.activeChild()->kind(), ChildWindow::Kind::Remote);
    EXPECT_EQ(frame.activeChild()->section(), "RemoteWindow0");
    // Tiled vertically: side by side, each the full height.
    QRect left = windows()[0]->geometry(), right = windows()[1]->geometry();
    int width = frame.mdiArea().viewport()->width();
    EXPECT_EQ(left.top(), right.top());
    EXPECT_EQ(left.height(), frame.mdiArea().viewport()->height());
    EXPECT_EQ(left.left(), 0);
    EXPECT_EQ(right.left(), left.width());
    EXPECT_EQ(left.width() + right.width(), width);
    EXPECT_EQ(tabTexts().size(), 2);
    EXPECT_EQ(frame.windowTabs().currentIndex(), 1);
    EXPECT_TRUE(menuItem(frame, {"&Window", "&Close"})->isEnabled());

    // Resizing the frame arranges again.
    frame.resize(frame.width() + 200, frame.height());
    settle();
    EXPECT_EQ(windows()[0]->width() + windows()[1]->width(), frame.mdiArea().viewport()->width());

    ASSERT_TRUE(choose(frame, {"&Window", "Close Al&l"}));
    settle();
    EXPECT_TRUE(windows().isEmpty());
    EXPECT_TRUE(tabTexts().isEmpty());
    EXPECT_FALSE(menuItem(frame, {"&Window", "&Close"})->isEnabled());
}

TEST_F(MainWindowTest, HistoryLayoutAndGlobalSettingsSurviveARestart)
{
    MainWindow& first = start();
    EXPECT_EQ(profile->readInt("Settings", "RetryCount", 12345), 12345u);
    connectTo("ftp.one", "alice", "a");
    connectTo("ftp.one", "bob", "b");
    typeInto(field("Port:"), "2121");
    connectTo("ftp.two", "carol", "c");
    // The Size column dragged before Status by its heading.
    QHeaderView* header = first.queueList().header();
    QPoint from(header->sectionViewportPosition(1) + 30, header->height() / 2);
    QPoint to(header->sectionViewportPosition(0) + 5, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
    for (int step = 1; step <= 5; ++step) {
        QPoint at = from + (to - from) * step / 5;
        QMouseEvent move(QEvent::MouseMove, at, header->viewport()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
    }
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, to);
    ASSERT_EQ(header->visualIndex(1), 0);
    header->resizeSection(4, 321);
    first.showMaximized();
    settle();

    MainWindow& second = restart();
    EXPECT_TRUE(second.isMaximized());
    EXPECT_EQ(second.queueList().header()->visualIndex(1), 0);
    EXPECT_EQ(second.queueList().header()->visualIndex(0), 1);
    EXPECT_EQ(second.queueList().header()->sectionSize(4), 321);
    // Shutting down saved the global settings, though no one opened them.
    EXPECT_EQ(profile->readInt("Settings", "RetryCount", 12345), SettingsRecord::global().retryCount());
    // The bar shows what it held, and the history one entry per host.
    EXPECT_EQ(hostBox()->currentText(), "ftp.two");
    EXPECT_EQ(field("Port:")->text(), "2121");
    ASSERT_EQ(hostBox()->count(), 2);
    EXPECT_EQ(hostBox()->itemText(0), "ftp.one");

    // Picking ftp.one from the list fills in what was used with it last.
    hostBox()->showPopup();
    QAbstractItemView* list = hostBox()->view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(hostBox()->currentText(), "ftp.one");
    EXPECT_EQ(field("Username:")->text(), "bob");
    EXPECT_EQ(field("Password:")->text(), "b");
    EXPECT_EQ(field("Port:")->text(), "21");

    // A minimized frame comes back normal.
    second.showMinimized();
    settle();
    MainWindow& third = restart();
    EXPECT_FALSE(third.isMinimized());
    EXPECT_FALSE(third.isMaximized());
}

// Only a choice from the Host list fills the other fields: leaving the Host
// box, or Enter in it, keeps what was typed.
TEST_F(MainWindowTest, TheQuickConnectBarConnectsWithWhatIsTyped)
{
    QSettingsProfile(profileFile()).writeString("ConnectBar", "0-Host", "127.0.0.2");
    QSettingsProfile(profileFile()).writeString("ConnectBar", "0-User", "alice");
    MainWindow& frame = start();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    auto typeInto = [&frame](const char* label, const QString& text) {
        QTest::mouseClick(named<QWidget>(frame, QString::fromLatin1(label)), Qt::LeftButton);
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus, text);
        return focus;
    };
    typeInto("Username:", "other");
    QWidget* hostBox = typeInto("Host:", "127.0.0.2");
    typeInto("Port:", "2");
    EXPECT_EQ(field("Username:")->text(), "other");
    QTest::mouseClick(hostBox, Qt::LeftButton);
    QTest::keyClick(hostBox, Qt::Key_Return);
    ASSERT_NE(frame.activeChild(), nullptr);
    EXPECT_EQ(frame.activeChild()->windowTitle(), "other@127.0.0.2:2");
}

TEST_F(MainWindowTest, TabsFollowTheWindows)
{
    MainWindow& frame = start();
    frame.openLocalWindow();
    typeInto(hostBox()->lineEdit(), "ftp.middle");
    QTest::mouseClick(button("Connect"), Qt::LeftButton);
    frame.openLocalWindow();
    settle();
    QStringList three = tabTexts();
    ASSERT_EQ(three.size(), 3);
    EXPECT_EQ(three[1], "anonymous@ftp.middle:21");
    EXPECT_EQ(frame.windowTabs().currentIndex(), 2);
    EXPECT_EQ(frame.activeChild()->section(), "LocalWindow1");

    // A click on a tab activates its window.
    WindowTabBar& tabs = frame.windowTabs();
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(0).center());
    EXPECT_EQ(frame.mdiArea().activeSubWindow(), windows()[0]);
    // Choosing a window from the Window menu moves the selection.
    ASSERT_TRUE(choose(frame, {"&Window", "&2 anonymous@ftp.middle:21"}));
    settle();
    EXPECT_EQ(tabs.currentIndex(), 1);
    // A caption change shows at once.
    windows()[2]->widget()->setWindowTitle(QStringLiteral("renamed"));
    settle();
    EXPECT_EQ(tabTexts()[2], "renamed");

    // Close from the middle tab's menu: the other tabs keep their places.
    QPoint middle = tabs.tabRect(1).center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, middle, tabs.mapToGlobal(middle));
    QApplication::sendEvent(&tabs, &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(tabs.currentIndex(), 1);
    QStringList items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            items << action->text() + (action->isEnabled() ? "" : " (off)");
    EXPECT_EQ(items, (QStringList{"&Restore (off)", "Mi&nimize", "Ma&ximize", "&Close"}));
    QTest::keyClick(menu, Qt::Key_C);
    settle();
    EXPECT_EQ(tabTexts(), (QStringList{three[0], "renamed"}));
    // The next remote window takes the freed section number.
    QTest::keyClick(hostBox()->lineEdit(), Qt::Key_Return);
    settle();
    EXPECT_EQ(frame.activeChild()->section(), "RemoteWindow0");
    EXPECT_EQ(tabs.currentIndex(), 2);

    // Double-clicking the strip maximizes the selected tab's window.
    QTest::mouseDClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(2).center());
    settle();
    EXPECT_TRUE(windows()[2]->isMaximized());
}

TEST_F(MainWindowTest, AutoArrangeFollowsTheMenuAndTheStoredMethod)
{
    {
        QSettingsProfile stored(profileFile());
        stored.writeInt("MainFrame", "AutoMethod", 3);
    }
    MainWindow& frame = start();
    // Method 3 has no menu item: none is checked, and the active window is maximized.
    EXPECT_FALSE(menuItem(frame, {"&Window", "&Auto Arrange", "Tile &Vertically"})->isChecked());
    frame.openLocalWindow();
    frame.openLocalWindow();
    settle();
    EXPECT_TRUE(frame.mdiArea().activeSubWindow()->isMaximized());

    ASSERT_TRUE(choose(frame, {"&Window", "&Auto Arrange", "&Auto Arrange"}));
    EXPECT_FALSE(menuItem(frame, {"&Window", "&Auto Arrange", "&Auto Arrange"})->isChecked());
    windows()[1]->showNormal();
    ASSERT_TRUE(choose(frame, {"&Window", "Tile &Horizontally"}));
    settle();
    QRect before = windows()[1]->geometry();
    EXPECT_EQ(before.width(), frame.mdiArea().viewport()->width());
    // While off, choosing a method only moves the check.
    ASSERT_TRUE(choose(frame, {"&Window", "&Auto Arrange", "&Cascade"}));
    settle();
    EXPECT_TRUE(menuItem(frame, {"&Window", "&Auto Arrange", "&Cascade"})->isChecked());
    EXPECT_EQ(windows()[1]->geometry(), before);
    ASSERT_TRUE(choose(frame, {"&Window", "&Auto Arrange", "&Auto Arrange"}));
    settle();
    EXPECT_NE(windows()[1]->geometry(), before);
    EXPECT_NE(windows()[0]->geometry().topLeft(), windows()[1]->geometry().topLeft());

    // Hiding the queue bar gives the windows its room at once.
    int height = frame.mdiArea().viewport()->height();
    ASSERT_TRUE(choose(frame, {"&View", "&Queue"}));
    settle();
    EXPECT_FALSE(frame.queueBar().isVisible());
    EXPECT_FALSE(menuItem(frame, {"&View", "&Queue"})->isChecked());
    EXPECT_GT(frame.mdiArea().viewport()->height(), height);
}

// In a small frame the queue gives way until the windows have a usable
// size, down to a third of the room, and takes its height back when the
// frame grows again; a window that closes leaves its room to the others.
TEST_F(MainWindowTest, ASmallFrameSharesItsHeightAndClosingAWindowRearranges)
{
    MainWindow& frame = start();
    frame.openLocalWindow();
    frame.openLocalWindow();
    const QDockWidget& queue = frame.queueBar();
    const QWidget& area = *frame.mdiArea().viewport();
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue.height() == 240; }, 5000)) << queue.height();
    frame.resize(760, 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return queue.height() < 240 && area.height() >= 220; }, 5000))
        << area.height();
    EXPECT_GE(queue.height() * 3, area.height() + queue.height() - 3);
    for (QMdiSubWindow* window : windows())
        EXPECT_EQ(window->height(), area.height());
    frame.resize(1024, 720);
    EXPECT_TRUE(QTest::qWaitFor([&] { return queue.height() == 240; }, 5000)) << queue.height();

    ASSERT_TRUE(choose(frame, {"&Window", "&Close"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows().size() == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows()[0]->width() == area.width(); }, 5000));
}

// A frame that records what it would hand to the dialogs and the browser.
class RecordingFrame : public MainWindow {
public:
    using MainWindow::MainWindow;
    void openGlobalSettings() override { calls << "global"; }
    void openSiteSettings(const SiteHandle& site) override
    {
        calls << "settings " + QString::fromStdString(LockedAccess<SiteContext>(site)->identity());
    }
    void bookmark(const SiteHandle& site, const std::string& folder) override
    {
        calls << "bookmark " + QString::fromStdString(LockedAccess<SiteContext>(site)->identity() + " " + folder);
    }
    void openSiteManager() override { calls << "sites"; }
    bool openUrl(const QUrl& url) override
    {
        calls << url.toString();
        return true;
    }
    QStringList calls;
};

// The Site Manager's list reaches the Sites menu, a saved site opens from it,
// and the frame's commands open the real dialogs.
TEST_F(MainWindowTest, SavedSitesAndTheSettingsDialogsOpenFromTheFrame)
{
    SiteEntry folder = SiteEntry::newFolder();
    folder.label = "Work";
    SiteEntry site = SiteEntry::newSite();
    site.label = "Files";
    site.host = "files.example";
    site.port = "2121";
    site.username = "bob";
    site.directory = "/pub";
    site.parent = 0;
    {
        QSettingsProfile saved(profileFile());
        SiteList({folder, site}).save(saved);
    }
    MainWindow& frame = start();
    ASSERT_TRUE(choose(frame, {"&Sites", "Work", "Files"}));
    settle();
    ASSERT_EQ(windows().size(), 1);
    EXPECT_EQ(windows()[0]->windowTitle(), "bob@files.example:2121");

    QStringList titles;
    auto closeWithEsc = [&titles](QWidget* dialog) {
        titles << dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);
    };
    testing::whenModal(closeWithEsc);
    ASSERT_TRUE(choose(frame, {"&Edit", "Global &Settings..."}));
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    testing::whenModal(closeWithEsc);
    QTest::keyClick(&frame, Qt::Key_F4);
    testing::whenModal(closeWithEsc);
    QTest::mouseClick(button("Site Settings"), Qt::LeftButton);
    EXPECT_EQ(titles, (QStringList{"Global Settings", "Site Manager", "bob@files.example:2121 Settings"}));
    // Cancel left the list as it was; the exit saves it unchanged.
    app.reset();
    QSettingsProfile reread(profileFile());
    SiteList after;
    after.load(reread);
    EXPECT_EQ(after.entries(), (std::vector<SiteEntry>{folder, site}));
}

TEST(MainWindowHooks, SiteCommandsServeTheActiveRemoteWindowOrTheBar)
{
    QtDispatcher dispatcher;
    MemoryProfile profile;
    profile.writeString("MainFrame", "SupportAddress", "https://help.example/varnix");
    Workspace model(profile);
    RecordingFrame frame(model);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    auto* host = named<QComboBox>(frame, QStringLiteral("Host:"));
    QTest::keyClicks(host->lineEdit(), "typed.host");
    named<QToolButton>(frame, QStringLiteral("Site Settings"))->click();
    named<QToolButton>(frame, QStringLiteral("Global Settings"))->click();
    QTest::keyClick(&frame, Qt::Key_F4);
    EXPECT_EQ(frame.calls, (QStringList{"settings anonymous@typed.host:21", "global", "sites"}));
    // Building that site recorded the host as a connection does.
    EXPECT_EQ(host->count(), 1);

    frame.calls.clear();
    frame.openRemoteWindow(model.makeSite({"remote.host", "2121", "dave", "pw"}), "/pub");
    EXPECT_EQ(model.currentRemote(), &dynamic_cast<RemoteChildWindow&>(*frame.activeChild()));
    named<QToolButton>(frame, QStringLiteral("Bookmark"))->click();
    ASSERT_TRUE(choose(frame, {"&Help", "Online &Support"}));
    EXPECT_EQ(frame.calls, (QStringList{"bookmark dave@remote.host:2121 ", "https://help.example/varnix"}));

    QTimer::singleShot(0, [] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->windowTitle(), "About Varnix");
        EXPECT_NE(named<QLabel>(*about, QStringLiteral("Varnix version 1.0")), nullptr);
        QTest::keyClick(about, Qt::Key_Return);
    });
    ASSERT_TRUE(choose(frame, {"&Help", "&About Varnix"}));
}

} // namespace
} // namespace varnix
