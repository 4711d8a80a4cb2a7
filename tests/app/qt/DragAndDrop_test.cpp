// Drag and drop in the whole program against real FTP servers: rows of a
// remote window dropped onto a local window download into that window's
// folder, local files dropped onto a remote window upload, rows dropped
// onto another remote window copy site to site, and the drops that must be
// refused are (onto their own window, from another program, from a window
// that has closed). Files from a file manager dropped onto a local window
// are copied into it, with the question about a name already taken
// answered as a person would. The drops are built from QMimeData and sent
// to the lists as the desktop sends them.

#include "app/qt/Application.h"
#include "app/qt/MainWindow.h"
#include "browser/dnd/DragPayload.h"
#include "browser/qt/local/LocalBrowserWindow.h"
#include "browser/qt/local/LocalFileModel.h"
#include "browser/qt/remote/RemoteBrowserWindow.h"
#include "browser/qt/remote/RemoteFileModel.h"
#include "platform/qt/QSettingsProfile.h"
#include "platform/qt/QtDispatcher.h"
#include "queue/qt/QueueList.h"
#include "queue/qt/QueueModel.h"
#include "session/CFTPSession.h"
#include "settings/ConnectHistory.h"
#include "support/FtpServer.h"
#include "support/HasLine.h"
#include "support/TempTree.h"
#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;

// What a list answered to one drag: its enter, move and drop events.
struct Answered {
    bool enter = false;
    bool move = false;
    bool drop = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// The events the desktop sends while something is dragged over the list
// and let go. Qt sends the move and the drop only to a list that took the
// enter: one that refused it sees neither, and the cursor says no drop.
Answered dragOnto(QTreeView& list, const QMimeData& data, Qt::KeyboardModifiers keys = {})
{
    QWidget* port = list.viewport();
    const QPoint at = port->rect().center();
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    Answered answered;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(port, &enter);
    answered.enter = enter.isAccepted();
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(port, &move);
    answered.move = answered.enter && move.isAccepted();
    QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(port, &drop);
    answered.drop = answered.enter && drop.isAccepted();
    answered.action = answered.drop ? drop.dropAction() : Qt::IgnoreAction;
    QTest::qWait(20);  // the window takes a drop once the drag has ended
    return answered;
}

std::unique_ptr<QMimeData> filesFromFileManager(const std::vector<std::filesystem::path>& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const auto& path : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    data->setUrls(urls);
    return data;
}

QStringList column(const QAbstractItemModel& rows, int which)
{
    QStringList texts;
    for (int row = 0; row < rows.rowCount(); ++row)
        texts << rows.index(row, which).data().toString();
    return texts;
}

class DragAndDropTest : public ::testing::Test {
protected:
    DragAndDropTest()
    {
        siteA.write("docs/readme.txt", "read me");
        siteA.write("a.txt", "server a");
        siteA.write("move.txt", "moving");
        siteA.write("copy.txt", "copied site to site");
        siteA.write("queued.txt", "waits");
        localA.write("up.txt", "uploaded");
        localA.write("folder/inner.txt", "inner");
        localA.mkdir("docs");
        localA.write("a.txt", "here before");
        localB.write("b.txt", "b");
        {
            QSettingsProfile stored(home.path("Varnix.conf").string());
            stored.writeInt("Settings", "KeepAlive", 0);
            stored.writeInt("Settings", "RetryDelay", 1);
        }
        profile = std::make_unique<QSettingsProfile>(home.path("Varnix.conf").string());
        app = std::make_unique<Application>(*profile);
        frame().resize(1200, 800);
        frame().show();
        frame().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
    }
    ~DragAndDropTest() override
    {
        app.reset();
        EXPECT_TRUE(QTest::qWaitFor([] { return CFTPSession::liveSessions() == 0; }, 20000));
    }

    MainWindow& frame() { return app->mainWindow(); }
    LocalBrowserWindow& openLocal(const test::TempTree& tree)
    {
        auto* window = dynamic_cast<LocalBrowserWindow*>(frame().openLocalWindow(tree.root().string()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->rows().rowCount() > 0; }, 5000));
        return *window;
    }
    RemoteBrowserWindow& openRemote(const FtpServer& server)
    {
        ConnectFields fields{server.host(), std::to_string(server.port()), "", ""};
        auto* window = dynamic_cast<RemoteBrowserWindow*>(frame().openRemoteWindow(app->workspace().makeSite(fields), ""));
        EXPECT_TRUE(QTest::qWaitFor([&] { return idle(*window); }, 15000));
        return *window;
    }
    // Shows its folder with its connection back and nothing running.
    static bool idle(RemoteBrowserWindow& window)
    {
        return window.hasSession() && !window.canRun(RemoteCommand::Cancel) &&
               !window.browser().currentPath().empty() &&
               LockedAccess<SiteContext>(window.site())->lookUpFolder(window.browser().currentPath());
    }
    // As a person does: the window to the front, then a click on each row
    // (scrolled to, in a small tiled window), with Ctrl from the second on.
    void select(QTreeView& list, const QStringList& names)
    {
        QWidget* sub = &list;
        while (sub && !qobject_cast<QMdiSubWindow*>(sub))
            sub = sub->parentWidget();
        frame().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(sub));
        const QStringList shown = column(*list.model(), 0);
        for (const QString& name : names) {
            const int row = int(shown.indexOf(name));
            ASSERT_GE(row, 0) << name.toStdString();
            list.scrollTo(list.model()->index(row, 0));
            const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
            QTest::mouseClick(list.viewport(), Qt::LeftButton,
                              name == names.front() ? Qt::NoModifier : Qt::ControlModifier, at);
        }
    }
    QStringList statuses()
    {
        QStringList all;
        QueueModel& rows = frame().queueList().rows();
        for (int row = 0; row < rows.rowCount(); ++row)
            all << QString::fromStdString(rows.textsAt(row).status);
        return all;
    }
    bool lastIs(const QString& status)
    {
        return QTest::qWaitFor([&] { return !statuses().isEmpty() && statuses().back() == status; }, 15000);
    }

    test::TempTree siteA{"varnix-site-a"}, siteB{"varnix-site-b"};
    test::TempTree localA{"varnix-local-a"}, localB{"varnix-local-b"}, home{"varnix-home"};
    // Two hosts with their servers' default rules, which refuse a data
    // connection with a third party: a copy between them goes through Varnix.
    FtpServer serverA{ServerKind::Pyftpdlib, siteA.root(), {.permitForeignAddresses = false, .address = "127.0.0.2"}};
    FtpServer serverB{ServerKind::Vsftpd, siteB.root(), {.permitForeignAddresses = false, .address = "127.0.0.3"}};
    QtDispatcher dispatcher;
    std::unique_ptr<QSettingsProfile> profile;
    std::unique_ptr<Application> app;
};

TEST_F(DragAndDropTest, DropsBetweenWindowsStartTheRightTransfersAndRefuseTheWrongOnes)
{
    LocalBrowserWindow& left = openLocal(localA);
    openLocal(localB);  // the current local window from here on, where downloads usually go
    RemoteBrowserWindow& remote = openRemote(serverA);
    RemoteBrowserWindow& second = openRemote(serverB);
    const int typeColumn = 2;
    // Both kinds of window name types alike.
    auto typeOf = [&](const QAbstractItemModel& rows, const QString& name) {
        return column(rows, typeColumn).value(int(column(rows, 0).indexOf(name)));
    };
    EXPECT_EQ(typeOf(remote.files(), "docs"), typeOf(left.rows(), "docs"));
    EXPECT_EQ(typeOf(remote.files(), "a.txt"), typeOf(left.rows(), "a.txt"));
    EXPECT_EQ(typeOf(left.rows(), "docs"), "Folder");

    // Remote rows onto a local window that is not the current one: into its folder.
    select(remote.fileList(), {"a.txt", "docs"});
    std::unique_ptr<QMimeData> rows = remote.dragData();
    ASSERT_TRUE(rows);
    // Both names are taken here; a drop always offers one answer for all.
    testing::whenModal([](QWidget* confirm) {
        QTest::mouseClick(testing::findNamed<QCheckBox>(confirm, "Use for all selected"), Qt::LeftButton);
        QTest::mouseClick(testing::findNamed<QAbstractButton>(confirm, "OK"), Qt::LeftButton);
    });
    Answered onLocal = dragOnto(left.list(), *rows);
    EXPECT_TRUE(onLocal.enter && onLocal.move && onLocal.drop);
    EXPECT_EQ(onLocal.action, Qt::CopyAction);
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses() == QStringList{"Complete", "Complete"}; }, 15000))
        << statuses().join(", ").toStdString();
    EXPECT_EQ(localA.read("a.txt"), "server a");
    EXPECT_EQ(localA.read("docs/readme.txt"), "read me");
    EXPECT_FALSE(localB.exists("a.txt"));

    // Local rows travel as file URLs; onto a remote window they upload, a folder whole.
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(remote); }, 15000));
    select(left.list(), {"up.txt", "folder"});
    std::unique_ptr<QMimeData> files = left.dragData();
    ASSERT_TRUE(files && files->hasFormat("text/uri-list"));
    EXPECT_EQ(files->urls(), (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(localA.path("folder").string())),
                                          QUrl::fromLocalFile(QString::fromStdString(localA.path("up.txt").string()))}));
    EXPECT_TRUE(dragOnto(remote.fileList(), *files, Qt::ShiftModifier).drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return siteA.exists("folder/inner.txt") && siteA.exists("up.txt"); }, 15000));
    EXPECT_TRUE(localA.exists("up.txt")) << "local files are only ever copied";

    // The window shows what the two uploads made, however their connections
    // came back to it. Then rows onto another server's window: copied site to site.
    ASSERT_TRUE(QTest::qWaitFor([&] { return statuses().count("Complete") == 4; }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QStringList names = column(remote.files(), 0);
        return idle(remote) && names.contains("up.txt") && names.contains("folder");
    }, 15000)) << column(remote.files(), 0).join(", ").toStdString();
    select(remote.fileList(), {"copy.txt"});
    rows = remote.dragData();
    EXPECT_TRUE(dragOnto(second.fileList(), *rows).drop);
    EXPECT_TRUE(lastIs("Complete")) << statuses().join(", ").toStdString();
    EXPECT_EQ(siteB.read("copy.txt"), "copied site to site");
    EXPECT_TRUE(test::hasLine(serverA.commandLog(), "RETR copy.txt"));
    // Neither window is held by the servers' refusal.
    EXPECT_TRUE(QTest::qWaitFor([&] { return idle(remote) && idle(second); }, 3000));

    // Back onto their own window, from another program, from a closed window: refused.
    const int queued = int(statuses().size());
    Answered own = dragOnto(remote.fileList(), *rows);
    EXPECT_FALSE(own.enter || own.move || own.drop);
    DragPayload payload = *decodePayload(rows->data("application/x-varnix").toStdString());
    payload.process += 1;
    QMimeData foreign;
    foreign.setData("application/x-varnix", QByteArray::fromStdString(encodePayload(payload)));
    EXPECT_FALSE(dragOnto(left.list(), foreign).enter);
    EXPECT_FALSE(dragOnto(second.fileList(), foreign).enter);
    RemoteBrowserWindow& closing = openRemote(serverB);
    select(closing.fileList(), {"copy.txt"});
    std::unique_ptr<QMimeData> orphan = closing.dragData();
    QPointer<QMdiSubWindow> frameOfClosing = frame().mdiArea().subWindowList().back();
    frameOfClosing->close();
    EXPECT_FALSE(dragOnto(left.list(), *orphan).enter);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frameOfClosing.isNull(); }, 5000));
    EXPECT_FALSE(dragOnto(remote.fileList(), *orphan).enter);
    QTest::qWait(300);
    EXPECT_EQ(int(statuses().size()), queued);

    // With TransferNow on only one of the two sites a copy waits in the queue.
    LockedAccess<SiteContext>(remote.site())->settings().setTransferNow(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle(remote) && idle(second); }, 15000));
    select(remote.fileList(), {"queued.txt"});
    rows = remote.dragData();
    ASSERT_TRUE(rows);
    EXPECT_TRUE(dragOnto(second.fileList(), *rows).drop);
    EXPECT_TRUE(lastIs("Queued"));
    QTest::qWait(300);
    EXPECT_FALSE(siteB.exists("queued.txt"));

    // A move: the row leaves the server once it has been downloaded.
    LockedAccess<SiteContext>(remote.site())->settings().setTransferNow(1);
    select(remote.fileList(), {"move.txt"});
    rows = remote.dragData();
    Answered moved = dragOnto(left.list(), *rows, Qt::ShiftModifier);
    EXPECT_EQ(moved.action, Qt::MoveAction);
    EXPECT_TRUE(lastIs("Complete"));
    EXPECT_EQ(localA.read("move.txt"), "moving");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !siteA.exists("move.txt"); }, 15000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !column(remote.files(), 0).contains("move.txt"); }, 15000));
}

TEST_F(DragAndDropTest, FilesFromAFileManagerAreCopiedIntoTheShownFolderAskingAboutTakenNames)
{
    LocalBrowserWindow& window = openLocal(localA);
    test::TempTree fileManager{"varnix-file-manager"};
    fileManager.write("a.txt", "dropped a");
    fileManager.write("b.txt", "dropped b");
    fileManager.write("sub/c.txt", "dropped c");
    QString asked;
    testing::whenModal([&](QWidget* question) {
        asked = question->windowTitle();
        EXPECT_TRUE(testing::findNamed<QCheckBox>(question, "Apply to all"));
        QTest::mouseClick(testing::findNamed<QAbstractButton>(question, "Keep Both"), Qt::LeftButton);
    });
    auto dropped = filesFromFileManager({fileManager.path("a.txt"), fileManager.path("b.txt"), fileManager.path("sub")});
    Answered answered = dragOnto(window.list(), *dropped, Qt::ShiftModifier);
    EXPECT_EQ(answered.action, Qt::CopyAction) << "a file manager's files are never taken away from it";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return localA.exists("a (2).txt") && localA.exists("b.txt") && localA.exists("sub/c.txt"); }, 10000));
    EXPECT_EQ(asked, "Varnix - File Exists");
    EXPECT_EQ(localA.read("a.txt"), "here before");
    EXPECT_EQ(localA.read("a (2).txt"), "dropped a");
    EXPECT_EQ(localA.read("b.txt"), "dropped b");
    EXPECT_EQ(localA.read("sub/c.txt"), "dropped c");
    EXPECT_TRUE(fileManager.exists("a.txt"));
    // The watcher shows what arrived.
    EXPECT_TRUE(QTest::qWaitFor([&] { return column(window.rows(), 0).contains("a (2).txt"); }, 5000));

    // Files dropped where they already are: no question, nothing changes.
    const auto before = column(window.rows(), 0);
    auto again = filesFromFileManager({localA.path("a.txt"), localA.path("b.txt")});
    EXPECT_TRUE(dragOnto(window.list(), *again).drop);
    QTest::qWait(300);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(column(window.rows(), 0), before);
    EXPECT_EQ(localA.read("a.txt"), "here before");
}

} // namespace
} // namespace varnix
