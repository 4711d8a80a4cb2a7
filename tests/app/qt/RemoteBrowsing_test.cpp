// The remote window and the queue against real FTP servers, driven as a
// person drives them: connecting through the quick-connect bar, opening
// folders and coming back, making, renaming, changing and deleting things
// on the server, and transferring with names that already exist.

#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QuickConnectBar.h"
#include "browser/UploadTarget.h"
#include "browser/qt/FolderPathBox.h"
#include "browser/qt/dialogs/CertificateDialog.h"
#include "browser/qt/remote/RemoteBrowserWindow.h"
#include "browser/qt/remote/RemoteFileModel.h"
#include "platform/qt/QSettingsProfile.h"
#include "platform/qt/QtDispatcher.h"
#include "queue/ConflictChoice.h"
#include "queue/qt/QueueList.h"
#include "queue/qt/QueueModel.h"
#include "session/CFTPSession.h"
#include "session/CertificateTrust.h"
#include "support/FtpServer.h"
#include "support/TempTree.h"
#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::ServerOptions;

// Where downloads land: the program's current local window, as far as the
// remote window can tell.
class DownloadFolder : public DownloadTarget {
public:
    explicit DownloadFolder(std::string path) : path_(std::move(path)) {}
    std::string folder() const override { return path_; }

private:
    std::string path_;
};

// Answers every Confirm Action dialog that opens while it lives, and counts them.
class ConfirmAnswers {
public:
    explicit ConfirmAnswers(std::function<void(QWidget*)> act)
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this, act] {
            QWidget* top = QApplication::activeModalWidget();
            if (!top || !top->isVisible() || top == last_ || top->windowTitle() != "Varnix - Confirm Action")
                return;
            last_ = top;
            ++count;
            act(top);
        });
        timer_.start();
    }
    int count = 0;

private:
    QTimer timer_;
    QPointer<QWidget> last_;
};

template <class Widget>
Widget* named(QWidget* top, const QString& name)
{
    return testing::findNamed<Widget>(top, name);
}

void clickButton(QWidget* dialog, const QString& name)
{
    QAbstractButton* button = named<QAbstractButton>(dialog, name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QString messageOf(QWidget* box)
{
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    return label ? label->text() : QString();
}

class RemoteBrowsingTest : public ::testing::TestWithParam<ServerKind> {
protected:
    RemoteBrowsingTest()
    {
        site.write("docs/a.txt", "server a");
        site.write("docs/b.txt", "server b");
        site.write("docs/c.txt", "server c");
        site.write("docs/up.txt", "was here first");
        site.write("readme.txt", "read me");
        site.write("old.txt", "old");
        site.writeSized("pictures/big.bin", 1 << 20);
        site.symlink("link", "docs");
        ::chmod(site.path("readme.txt").c_str(), 0644);
    }
    ~RemoteBrowsingTest() override
    {
        if (app) {
            app->workspace().removeLocal(&downloads);
            app.reset();
        }
        waitFor([] { return CFTPSession::liveSessions() == 0; }, 20000);
    }

    // Settings as a careful test wants them: no keep-alive commands in the
    // server's log, quick retries.
    void startProgram(std::uint32_t retryCount = 3, std::uint32_t retryDelay = 1)
    {
        {
            QSettingsProfile stored(profileFile());
            stored.writeInt("Settings", "KeepAlive", 0);
            stored.writeInt("Settings", "RetryDelay", retryDelay);
            stored.writeInt("Settings", "RetryCount", retryCount);
        }
        profile = std::make_unique<QSettingsProfile>(profileFile());
        app = std::make_unique<Application>(*profile);
        MainWindow& frame = app->mainWindow();
        frame.resize(1100, 800);
        frame.show();
        frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        app->workspace().activateLocal(&downloads);
    }
    std::string profileFile() const { return home.path("Varnix.conf").string(); }
    MainWindow& frame() { return app->mainWindow(); }

    // Types the site into the quick-connect bar and presses Enter.
    RemoteBrowserWindow& connectTo(std::uint16_t port, const QString& user, const QString& password,
                                   const QString& host = "127.0.0.1")
    {
        auto type = [](QWidget* field, const QString& text) {
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClicks(field, text);
        };
        type(named<QComboBox>(&frame(), "Host:")->lineEdit(), host);
        type(named<QLineEdit>(&frame(), "Username:"), user);
        type(named<QLineEdit>(&frame(), "Password:"), password);
        type(named<QLineEdit>(&frame(), "Port:"), QString::number(port));
        QTest::keyClick(named<QLineEdit>(&frame(), "Port:"), Qt::Key_Return);
        auto* window = dynamic_cast<RemoteBrowserWindow*>(frame().activeChild());
        EXPECT_NE(window, nullptr);
        return *window;
    }

    static bool waitFor(const std::function<bool()>& done, int ms = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QTest::qWait(10);
        }
        return true;
    }

    static QStringList names(RemoteBrowserWindow& window)
    {
        QStringList all;
        for (int row = 0; row < window.files().rowCount(); ++row)
            all << window.files().index(row, RemoteFileModel::Name).data().toString();
        return all;
    }
    static QString status(RemoteBrowserWindow& window) { return named<QLabel>(&window, "Status")->text(); }
    static QComboBox& pathBox(RemoteBrowserWindow& window) { return *named<QComboBox>(&window, "Folder"); }
    static QToolButton* tool(RemoteBrowserWindow& window, const QString& tip)
    {
        return named<QToolButton>(&window, tip);
    }
    static QPoint rowCentre(RemoteBrowserWindow& window, const QString& name)
    {
        const int row = int(names(window).indexOf(name));
        EXPECT_GE(row, 0) << name.toStdString();
        return window.fileList().visualRect(window.files().index(row, RemoteFileModel::Name)).center();
    }
    static void click(RemoteBrowserWindow& window, const QString& name, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseClick(window.fileList().viewport(), Qt::LeftButton, keys, rowCentre(window, name));
    }
    static void open(RemoteBrowserWindow& window, const QString& name)
    {
        click(window, name);
        QTest::keyClick(&window.fileList(), Qt::Key_Return);
    }
    // A right click on the list, then a click on the menu item.
    static void chooseFromMenu(QTreeView& list, const QPoint& at, const QString& item)
    {
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &rightClick);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == item)
                chosen = action;
        ASSERT_NE(chosen, nullptr) << item.toStdString();
        ASSERT_TRUE(chosen->isEnabled()) << item.toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    }
    QStringList queueStatuses()
    {
        QStringList all;
        QueueModel& rows = frame().queueList().rows();
        for (int row = 0; row < rows.rowCount(); ++row)
            all << QString::fromStdString(rows.textsAt(row).status);
        return all;
    }
    bool commandSent(std::size_t from, const std::string& command) const
    {
        std::vector<std::string> log = server->commandLog();
        return std::find(log.begin() + std::ptrdiff_t(std::min(from, log.size())), log.end(), command) != log.end();
    }
    std::string remote(const std::string& rel = {}) const { return server->remotePath(rel); }
    // The window has its session back, idle, and shows the folder, whose
    // listing is in the cache.
    static bool shows(RemoteBrowserWindow& window, const std::string& path)
    {
        return window.hasSession() && !window.canRun(RemoteCommand::Cancel) &&
               window.browser().currentPath() == path &&
               LockedAccess<SiteContext>(window.site())->lookUpFolder(path);
    }

    test::TempTree site{"varnix-site"};
    test::TempTree local{"varnix-local"};
    test::TempTree home{"varnix-home"};
    DownloadFolder downloads{local.root().string()};
    QtDispatcher dispatcher;
    std::unique_ptr<FtpServer> server;
    std::unique_ptr<QSettingsProfile> profile;
    std::unique_ptr<Application> app;
};

TEST_P(RemoteBrowsingTest, BrowseChangeAndTransferAsAPersonDoes)
{
    server = std::make_unique<FtpServer>(GetParam(), site.root());
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("docs"); })) << status(window).toStdString();
    EXPECT_EQ(window.windowTitle(), QString("anonymous@127.0.0.1:%1").arg(server->port()));
    // Folders first (the link leads to one), then files, each by name.
    EXPECT_EQ(names(window), (QStringList{"docs", "link", "pictures", "old.txt", "readme.txt"}));
    EXPECT_EQ(window.files().index(3, RemoteFileModel::Size).data().toString(), "1 KB");
    EXPECT_EQ(pathBox(window).currentText().toStdString(), remote());
    EXPECT_TRUE(waitFor([&] { return status(window) == RemoteBrowser::kPlainDone; }));
    for (QWidget* control : window.findChildren<QWidget*>()) {
        bool clickable = qobject_cast<QAbstractButton*>(control);
        if (!control->isVisible() || (control->focusPolicy() == Qt::NoFocus && !clickable))
            continue;
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
            << control->metaObject()->className();
    }
    // A click on a heading sorts by it; a second click turns the order round.
    QHeaderView* header = window.fileList().header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 20, 5));
    EXPECT_EQ(names(window), (QStringList{"readme.txt", "old.txt", "pictures", "link", "docs"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 20, 5));

    // Into a folder, and back from the cache: nothing reaches the server.
    open(window, "docs");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("a.txt"); }));
    EXPECT_EQ(pathBox(window).currentText().toStdString(), remote("docs"));
    const std::size_t before = server->commandLog().size();
    QTest::mouseClick(tool(window, "Go To Last Folder Visited"), Qt::LeftButton);
    EXPECT_TRUE(names(window).contains("pictures"));
    open(window, "docs");
    EXPECT_TRUE(names(window).contains("a.txt"));
    pathBox(window).showPopup();
    // The click that opened a list is not taken as a choice from it.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QAbstractItemView* popup = pathBox(window).view();
    const int rootItem = pathBox(window).findData(QByteArray::fromStdString(remote()), FolderPathBox::kFolderRole);
    const QPoint rootRow = popup->visualRect(popup->model()->index(rootItem, 0)).center();
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, rootRow);
    EXPECT_TRUE(names(window).contains("pictures"));
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(server->commandLog().size(), before) << "the cached folders were listed again";

    // F5 lists again.
    QTest::keyClick(&window.fileList(), Qt::Key_F5);
    EXPECT_TRUE(waitFor([&] { return commandSent(before, "LIST -A") || commandSent(before, "MLSD"); }));
    ASSERT_TRUE(waitFor([&] { return shows(window, remote()); }));

    // A new folder whose name edit is left with Esc leaves nothing behind.
    QTest::mouseClick(tool(window, "Create New Folder"), Qt::LeftButton);
    ASSERT_TRUE(names(window).contains("New Folder"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(names(window).contains("New Folder"));
    QTest::mouseClick(tool(window, "Create New Folder"), Qt::LeftButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "fresh");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return !names(window).contains("New Folder"); }));
    ASSERT_TRUE(waitFor([&] { return names(window).contains("fresh"); })) << status(window).toStdString();
    EXPECT_TRUE(site.exists("fresh"));

    // F2 renames in place; the row keeps its name until the server's listing says otherwise.
    click(window, "fresh");
    QTest::keyClick(&window.fileList(), Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "renamed");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([&] { return names(window).contains("renamed"); })) << status(window).toStdString();
    EXPECT_FALSE(site.exists("fresh"));

    // Properties: group write added to readme.txt.
    click(window, "readme.txt");
    testing::whenModal([](QWidget* dialog) {
        auto* group = named<QGroupBox>(dialog, "Group permissions");
        QTest::mouseClick(named<QCheckBox>(group, "Write"), Qt::LeftButton);
        clickButton(dialog, "OK");
    });
    chooseFromMenu(window.fileList(), rowCentre(window, "readme.txt"), "Properties");
    if (GetParam() == ServerKind::Pyftpdlib) {
        auto groupWrites = [&] {
            struct stat st {};
            return ::stat(site.path("readme.txt").c_str(), &st) == 0 && (st.st_mode & 0777) == 0664;
        };
        EXPECT_TRUE(waitFor(groupWrites)) << status(window).toStdString();
    } else {
        // vsftpd lets no anonymous user change modes: the window says so.
        EXPECT_TRUE(waitFor([&] { return status(window).contains(" failed: "); })) << status(window).toStdString();
    }

    // Del removes a folder, a file and a link to a folder, once asked.
    ASSERT_TRUE(waitFor([&] { return shows(window, remote()); }));
    const std::size_t beforeDelete = server->commandLog().size();
    click(window, "renamed");
    click(window, "old.txt", Qt::ControlModifier);
    click(window, "link", Qt::ControlModifier);
    ASSERT_EQ(window.selection().entries.size(), 3u);
    QString question;
    testing::whenModal([&](QWidget* box) {
        question = messageOf(box);
        clickButton(box, "Yes");
    });
    QTest::keyClick(&window.fileList(), Qt::Key_Delete);
    // pyftpdlib's MLSD shows the link as the folder it leads to.
    EXPECT_EQ(question.toStdString(), GetParam() == ServerKind::Pyftpdlib
                                          ? "Delete 3 items from the server, including 2 folders with everything in them?"
                                          : "Delete 3 items from the server, including 1 folder with everything in it?");
    ASSERT_TRUE(waitFor([&] {
        return commandSent(beforeDelete, "RMD renamed") && commandSent(beforeDelete, "DELE old.txt")
            && commandSent(beforeDelete, "DELE link");
    })) << status(window).toStdString();
    ASSERT_TRUE(waitFor([&] {
        const QStringList shown = names(window);
        return !shown.contains("link") && !shown.contains("renamed") && !shown.contains("old.txt");
    }));
    EXPECT_FALSE(site.exists("old.txt") || site.exists("renamed") || site.exists("link"));
    EXPECT_TRUE(site.exists("docs/a.txt"));

    // Two downloads whose names exist here: one question, "for all selected".
    local.write("a.txt", "local a");
    local.write("b.txt", "local b");
    open(window, "docs");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("a.txt"); }));
    click(window, "a.txt");
    click(window, "b.txt", Qt::ControlModifier);
    {
        ConfirmAnswers answers([](QWidget* dialog) {
            EXPECT_TRUE(named<QCheckBox>(dialog, "Use for all selected")->isEnabled());
            QTest::mouseClick(named<QCheckBox>(dialog, "Use for all selected"), Qt::LeftButton);
            clickButton(dialog, "OK");
        });
        chooseFromMenu(window.fileList(), rowCentre(window, "a.txt"), "Download");
        EXPECT_TRUE(waitFor([&] { return queueStatuses() == QStringList{"Complete", "Complete"}; }))
            << queueStatuses().join(", ").toStdString();
        EXPECT_EQ(answers.count, 1);
    }
    EXPECT_EQ(local.read("a.txt"), "server a");
    EXPECT_EQ(local.read("b.txt"), "server b");
    const RowTexts& done = frame().queueList().rows().textsAt(0);
    EXPECT_EQ(done.source, "anonymous@127.0.0.1:" + std::to_string(server->port()) + remote("docs/a.txt"));
    EXPECT_EQ(done.destination, local.path("a.txt").string());
    EXPECT_EQ(done.size, "8/8");
    EXPECT_EQ(done.time, "0");
    EXPECT_EQ(done.image, kDownloadImage + kProgressSteps);

    // An upload onto a name that exists there, renamed on the way, once the
    // window has its connection back and shows the folder listed anew.
    ASSERT_TRUE(waitFor([&] { return shows(window, remote("docs")); }))
        << status(window).toStdString() << " session " << window.hasSession() << " cached "
        << bool(LockedAccess<SiteContext>(window.site())->lookUpFolder(remote("docs"))) << " path "
        << window.browser().currentPath();
    std::string upload = local.write("up.txt", "uploaded").string();
    testing::whenModal([](QWidget* confirm) {
        QTest::mouseClick(named<QRadioButton>(confirm, "Rename"), Qt::LeftButton);
        EXPECT_FALSE(named<QCheckBox>(confirm, "Use for all selected")->isEnabled());
        testing::whenModal([](QWidget* rename) {
            auto* field = named<QLineEdit>(rename, "Name");
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(field, "up2.txt");
            clickButton(rename, "OK");
        });
        clickButton(confirm, "OK");
    });
    auto* target = dynamic_cast<UploadTarget*>(app->workspace().currentRemote());
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(target->canUpload());
    ConflictChoice choice = ConflictChoice::forCommand(true);
    target->upload(upload, choice, true);
    EXPECT_TRUE(waitFor([&] { return site.exists("docs/up2.txt") && site.read("docs/up2.txt") == "uploaded"; }));
    EXPECT_EQ(site.read("docs/up.txt"), "was here first");

    // Queued, then run from the queue's menu.
    ASSERT_TRUE(waitFor([&] { return names(window).contains("c.txt"); }));
    click(window, "c.txt");
    chooseFromMenu(window.fileList(), rowCentre(window, "c.txt"), "Queue");
    ASSERT_EQ(queueStatuses().size(), 4);
    EXPECT_EQ(queueStatuses().back(), "Queued");
    QueueList& queue = frame().queueList();
    chooseFromMenu(queue, queue.visualRect(queue.rows().index(3, 0)).center(), "Transfer Queued Items");
    EXPECT_TRUE(waitFor([&] { return queueStatuses().back() == "Complete"; })) << queueStatuses().back().toStdString();
    EXPECT_EQ(local.read("c.txt"), "server c");
    chooseFromMenu(queue, queue.viewport()->rect().center(), "Clear Completed Items");
    EXPECT_TRUE(queueStatuses().isEmpty());

    // The window keeps its sort order and columns in its numbered section.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 20, 5));
    header->resizeSection(2, 123);
    frame().close();
    EXPECT_TRUE(waitFor([&] { return frame().mdiArea().subWindowList().isEmpty(); }));
    QTest::qWait(20);
    EXPECT_EQ(profile->readInt("RemoteWindow0", "SortMode", 99), 1u);
    EXPECT_EQ(profile->readInt("RemoteWindow0", "Column2Width", 0), 123u);
}

INSTANTIATE_TEST_SUITE_P(Servers, RemoteBrowsingTest, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const auto& info) { return test::kindName(info.param); });

class RemoteBrowsingOnPyftpdlib : public RemoteBrowsingTest {};

// A server that is not there yet is tried again after the Retry Delay; one
// that refuses the password asks for another in the Login Prompt.
TEST_F(RemoteBrowsingOnPyftpdlib, ARefusedConnectionIsRetriedAndARefusedLoginAsks)
{
    const std::uint16_t port = test::pickFreePort();
    startProgram(5);
    RemoteBrowserWindow& window = connectTo(port, "tester", "wrong");
    ASSERT_TRUE(waitFor([&] { return window.browser().attempts() == 1; })) << status(window).toStdString();
    EXPECT_TRUE(names(window).isEmpty());
    ServerOptions options;
    options.anonymous = false;
    options.port = port;
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    QString caption;
    testing::whenModal([&](QWidget* prompt) {
        caption = prompt->windowTitle();
        auto* password = named<QLineEdit>(prompt, "Password:");
        QTest::keyClick(password, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(password, "secret");
        clickButton(prompt, "OK");
    });
    ASSERT_TRUE(waitFor([&] { return names(window).contains("docs"); })) << status(window).toStdString();
    EXPECT_EQ(caption, QString("Varnix - 127.0.0.1:%1 - Login Prompt").arg(port));
    EXPECT_EQ(window.windowTitle(), QString("tester@127.0.0.1:%1").arg(port));
    // At least one retry for the refused connection, one for the login.
    EXPECT_GE(window.browser().attempts(), 2u);
    // The bar's history keeps the password that logged in, not the one typed.
    auto* host = named<QComboBox>(&frame(), "Host:");
    host->showPopup();
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QAbstractItemView* list = host->view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(named<QLineEdit>(&frame(), "Password:")->text(), "secret");
}

// Nothing deleted on a server comes back: Delete asks first, by toolbar,
// menu or Del, until "Do not ask again" is ticked and answered Yes.
TEST_F(RemoteBrowsingOnPyftpdlib, DeletesOnTheServerAskFirstUntilToldNotTo)
{
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root());
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return shows(window, remote()) && names(window).contains("docs"); }));
    QString question;
    auto tickAndAnswer = [&question](const char* button) {
        testing::whenModal([&question, button](QWidget* box) {
            question = messageOf(box);
            QTest::mouseClick(named<QCheckBox>(box, "Do not ask again"), Qt::LeftButton);
            clickButton(box, button);
        });
    };
    click(window, "docs");
    click(window, "readme.txt", Qt::ControlModifier);
    tickAndAnswer("No");
    QTest::mouseClick(tool(window, "Delete"), Qt::LeftButton);
    EXPECT_EQ(question, "Delete 2 items from the server, including 1 folder with everything in it?");
    click(window, "docs");
    tickAndAnswer("Yes");
    chooseFromMenu(window.fileList(), rowCentre(window, "docs"), "Delete\tDel");
    EXPECT_EQ(question, "Delete 1 folder from the server, with everything in it?");
    ASSERT_TRUE(waitFor([&] { return shows(window, remote()) && !names(window).contains("docs"); }));
    EXPECT_FALSE(site.exists("docs"));
    EXPECT_TRUE(site.exists("readme.txt"));
    click(window, "readme.txt");
    QTest::keyClick(&window.fileList(), Qt::Key_Delete);
    EXPECT_TRUE(waitFor([&] { return !site.exists("readme.txt"); })) << status(window).toStdString();
    EXPECT_EQ(profile->readInt("Questions", "AskBeforeDelete", 1), 0u);
}

// Closing the program while transfers run asks first; No keeps them going.
TEST_F(RemoteBrowsingOnPyftpdlib, ExitAsksWhileTransfersRun)
{
    site.writeSized("pictures/big2.bin", 1 << 20);
    ServerOptions options;
    options.stallDataAfter = 65536;
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("pictures"); }));
    open(window, "pictures");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("big2.bin"); }));
    QString question;
    auto answer = [&question](const char* button) {
        testing::whenModal([&question, button](QWidget* box) {
            question = messageOf(box);
            clickButton(box, button);
        });
    };
    open(window, "big.bin");
    ASSERT_TRUE(waitFor([&] { return queueStatuses() == QStringList{"Downloading"}; }));
    answer("No");
    frame().close();
    EXPECT_EQ(question, "1 transfer is running. Exit anyway?");
    EXPECT_TRUE(frame().isVisible());
    open(window, "big2.bin");
    ASSERT_TRUE(waitFor([&] { return queueStatuses() == QStringList({"Downloading", "Downloading"}); }))
        << queueStatuses().join(", ").toStdString();
    const QList<QAction*> menu = frame().menuBar()->actions().front()->menu()->actions();
    auto exit = std::find_if(menu.begin(), menu.end(), [](QAction* item) { return item->text() == "E&xit"; });
    ASSERT_NE(exit, menu.end());
    answer("Yes");
    (*exit)->trigger();
    EXPECT_EQ(question, "2 transfers are running. Exit anyway?");
    EXPECT_FALSE(frame().isVisible());
}

// Over IPv6, from a server that lists by MLSD and can hash: a UTF-8 name is
// shown as it is, and opening the file downloads it and checks the copy.
TEST_F(RemoteBrowsingOnPyftpdlib, AnIpv6SiteListsUtf8NamesAndVerifiesADownload)
{
    if (!test::loopbackIpv6Available())
        GTEST_SKIP() << "no IPv6 loopback here";
    const std::string name = "Grüße & names.txt";
    site.writeSized(name, 5000, 7);
    ServerOptions options;
    options.address = "::1";
    options.hashes = "SHA-256";
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "", "::1");
    const QString shown = QString::fromStdString(name);
    ASSERT_TRUE(waitFor([&] { return names(window).contains(shown); })) << status(window).toStdString();
    EXPECT_EQ(window.windowTitle(), QString("anonymous@[::1]:%1").arg(server->port()));
    EXPECT_TRUE(commandSent(0, "MLSD"));
    open(window, shown);
    EXPECT_TRUE(waitFor([&] { return queueStatuses() == QStringList{"Verified"}; }))
        << queueStatuses().join(", ").toStdString();
    EXPECT_EQ(local.read(name), test::TempTree::sizedContent(5000, 7));
    EXPECT_TRUE(commandSent(0, "HASH " + name));
    EXPECT_EQ(frame().queueList().rows().textsAt(0).size, "5000/5000");
}

// The keys of a file manager: Tab goes round the path box, the list and the
// frame's other panes; Backspace and Alt+Up go up, Alt+Left back (Backspace
// in the box only edits it). Esc and Cancel stop a download started from
// the window, which runs on the connection it handed to the queue.
TEST_F(RemoteBrowsingOnPyftpdlib, KeysMoveBetweenPanesBrowseAndStopWhatTheWindowStarted)
{
    site.writeSized("pictures/second.bin", 1 << 20);
    ServerOptions options;
    options.stallDataAfter = 65536;
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("docs"); }));
    click(window, "docs");
    QWidget* list = &window.fileList();
    QWidget* queue = &frame().queueList();
    QWidget* host = named<QComboBox>(&frame(), "Host:");
    const std::pair<bool, QWidget*> tabs[] = {{true, &pathBox(window)}, {false, list}, {false, queue},
                                              {false, host},            {true, queue},  {true, list}};
    for (auto [back, pane] : tabs) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, back ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_TRUE(pane->hasFocus() || pane->isAncestorOf(QApplication::focusWidget()))
            << pane->accessibleName().toStdString();
    }
    QWidget* box = pathBox(window).lineEdit();
    const std::tuple<QWidget*, Qt::Key, Qt::KeyboardModifiers, std::string> keys[] = {
        {list, Qt::Key_Return, {}, "docs"},          {list, Qt::Key_Backspace, {}, ""},
        {list, Qt::Key_Left, Qt::AltModifier, "docs"}, {box, Qt::Key_Backspace, {}, "docs"},
        {box, Qt::Key_Up, Qt::AltModifier, ""}};
    for (const auto& [target, key, modifiers, shown] : keys) {
        if (!target->hasFocus())
            QTest::mouseClick(target, Qt::LeftButton);
        QTest::keyClick(target, key, modifiers);
        EXPECT_TRUE(waitFor([&] { return window.browser().currentPath() == remote(shown); })) << key;
    }
    EXPECT_EQ(pathBox(window).currentText().toStdString(), remote());

    open(window, "pictures");
    const QueueModel& rows = frame().queueList().rows();
    for (const char* file : {"big.bin", "second.bin"}) {
        ASSERT_TRUE(waitFor([&] { return shows(window, remote("pictures")); }));
        open(window, file);
        const int row = rows.rowCount() - 1;
        ASSERT_TRUE(waitFor([&] { return rows.textsAt(row).size == "65536/1048576"; })) << file;
        ASSERT_TRUE(tool(window, "Cancel")->isEnabled());
        if (row == 0)
            QTest::keyClick(list, Qt::Key_Escape);
        else
            QTest::mouseClick(tool(window, "Cancel"), Qt::LeftButton);
        EXPECT_EQ(queueStatuses()[row], "Canceled") << file;
    }
}

// A transfer that hangs is cancelled from the queue's menu.
TEST_F(RemoteBrowsingOnPyftpdlib, ARunningTransferIsCancelledFromTheQueue)
{
    ServerOptions options;
    options.stallDataAfter = 65536;
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    startProgram();
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("pictures"); }));
    open(window, "pictures");
    ASSERT_TRUE(waitFor([&] { return names(window).contains("big.bin"); }));
    // Opening a file downloads it at once (the site's TransferNow).
    open(window, "big.bin");
    QueueList& queue = frame().queueList();
    auto stalled = [&] { return queue.rows().rowCount() == 1 && queue.rows().textsAt(0).size == "65536/1048576"; };
    ASSERT_TRUE(waitFor(stalled));
    EXPECT_EQ(queueStatuses(), QStringList{"Downloading"});
    EXPECT_EQ(queue.rows().textsAt(0).image, kDownloadImage + 3);
    const QPoint row = queue.visualRect(queue.rows().index(0, 0)).center();
    QTest::mouseClick(queue.viewport(), Qt::LeftButton, {}, row);
    chooseFromMenu(queue, row, "Cancel Selected Items");
    EXPECT_EQ(queueStatuses(), QStringList{"Canceled"});
    // The connection goes back to the window, which lists its folder again.
    EXPECT_TRUE(waitFor([&] { return window.hasSession() && status(window) == RemoteBrowser::kPlainDone; }));
}

class ConnectionTrouble : public RemoteBrowsingTest {
protected:
    // The offscreen platform gives the focus back to no window when a
    // dialog closes; a person clicks into the window first.
    void pressF5(RemoteBrowserWindow& window)
    {
        frame().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
        QTest::keyClick(&window.fileList(), Qt::Key_F5);
    }
    // Presses F5 in the window and waits until it has given up again (or shows something).
    bool refreshAndWait(RemoteBrowserWindow& window)
    {
        pressF5(window);
        return waitFor([&] { return window.canRun(RemoteCommand::Refresh) && !window.canRun(RemoteCommand::Cancel); });
    }
};

// A certificate other than the one accepted for good is refused without a
// question, in a dialog that names both fingerprints in full; the window is
// not stuck: F5 connects again.
TEST_F(ConnectionTrouble, AChangedCertificateNamesBothFingerprintsAndRefreshTriesAgain)
{
    const std::string old = "11:22:33:44:55:66:77:88:99:00:AA:BB:CC:DD:EE:FF:11:22:33:44:55:66:77:88:99:00:AA:BB:CC:DD:EE:FF";
    ServerOptions options;
    options.tls = test::TlsMode::Explicit;
    server = std::make_unique<FtpServer>(ServerKind::Vsftpd, site.root(), options);
    startProgram();
    const std::string identity = "anonymous@127.0.0.1:" + std::to_string(server->port());
    profile->writeString("Certificates", identity, old);
    DialogCertificateAsker asker([] { return QApplication::activeWindow(); });
    CertificateTrust trust(*profile, asker);
    installCertificateCheck(&trust);
    struct Uninstall {
        ~Uninstall() { installCertificateCheck(nullptr); }
    } uninstall;
    std::vector<QStringList> shown;   // title, accepted, offered
    auto readAndClose = [&](QWidget* dialog) {
        shown.push_back({dialog->windowTitle(), named<QLabel>(dialog, "Accepted SHA-256 fingerprint:")->text(),
                         named<QLabel>(dialog, "Offered SHA-256 fingerprint:")->text()});
        clickButton(dialog, "Close");
    };
    testing::whenModal(readAndClose);
    RemoteBrowserWindow& window = connectTo(server->port(), "", "");
    ASSERT_TRUE(waitFor([&] { return shown.size() == 1 && window.canRun(RemoteCommand::Refresh); }));
    EXPECT_EQ(shown[0], (QStringList{"Varnix - Certificate Changed", QString::fromStdString(old),
                                     QString::fromStdString(server->certificate().fingerprint)}));
    EXPECT_TRUE(names(window).isEmpty());
    EXPECT_TRUE(status(window).contains("HAS CHANGED")) << status(window).toStdString();

    testing::whenModal(readAndClose);
    ASSERT_TRUE(refreshAndWait(window));
    EXPECT_EQ(shown.size(), 2u);
    // The owner confirms the new certificate: stored, it lets F5 in.
    profile->writeString("Certificates", identity, server->certificate().fingerprint);
    ASSERT_TRUE(refreshAndWait(window));
    EXPECT_TRUE(waitFor([&] { return names(window).contains("docs"); })) << status(window).toStdString();
    EXPECT_EQ(shown.size(), 2u);
}

// Cancel in the Login Prompt leaves the window empty, but F5 asks again.
TEST_F(ConnectionTrouble, ACancelledLoginPromptIsAskedAgainByRefresh)
{
    ServerOptions options;
    options.anonymous = false;
    server = std::make_unique<FtpServer>(ServerKind::Pyftpdlib, site.root(), options);
    startProgram();
    testing::whenModal([](QWidget* prompt) { clickButton(prompt, "Cancel"); });
    RemoteBrowserWindow& window = connectTo(server->port(), "tester", "wrong");
    ASSERT_TRUE(waitFor([&] { return window.canRun(RemoteCommand::Refresh) && !window.canRun(RemoteCommand::Cancel); }));
    EXPECT_TRUE(names(window).isEmpty());
    testing::whenModal([](QWidget* prompt) {
        auto* password = named<QLineEdit>(prompt, "Password:");
        QTest::keyClick(password, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(password, "secret");
        clickButton(prompt, "OK");
    });
    pressF5(window);
    EXPECT_TRUE(waitFor([&] { return names(window).contains("docs"); })) << status(window).toStdString();
}

// Nothing listens: the countdown says why it waits, and Cancel ends it.
TEST_F(ConnectionTrouble, TheRetryCountdownSaysWhatFailedAndCancelEndsIt)
{
    const std::uint16_t port = test::pickFreePort();
    startProgram(5, 30);
    RemoteBrowserWindow& window = connectTo(port, "", "");
    ASSERT_TRUE(waitFor([&] { return status(window).contains(". Retrying in "); })) << status(window).toStdString();
    EXPECT_TRUE(status(window).startsWith("Connection refused. Retrying in ")) << status(window).toStdString();
    QTest::keyClick(&window.fileList(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return window.canRun(RemoteCommand::Refresh); }));
    EXPECT_EQ(status(window), "Connection refused");
}

} // namespace
} // namespace varnix
