#pragma once
// The main frame: menus, toolbar and quick-connect bar, the MDI area with
// its tab strip, the "Queue" bar and a one-pane status bar. It opens the
// browser windows, arranges them, routes the frame's commands to the active
// one, and keeps its layout in section "MainFrame". It is the remote
// windows' host (the queue, where downloads land, the site dialogs) and
// puts the queue list's menu beside the list.

#include "app/AutoArrange.h"
#include "browser/qt/ChildWindow.h"
#include "browser/remote/RemoteInterfaces.h"
#include "settings/BarSize.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QActionGroup;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolBar;

namespace varnix {

class QueueList;
class QueueMenu;
class QuickConnectBar;
class SiteManager;
class WindowTabBar;

class MainWindow : public QMainWindow, public BrowserHost {
    Q_OBJECT
public:
    static constexpr std::string_view kSection = "MainFrame";
    static constexpr int kQueueBarId = 40036;

    // Builds the frame and restores its saved state.
    explicit MainWindow(Workspace& workspace, QWidget* parent = nullptr);
    ~MainWindow() override;

    // At `folder`, or where this window's section was left last time.
    ChildWindow* openLocalWindow(std::optional<std::string> folder = std::nullopt);
    ChildWindow* openRemoteWindow(SiteHandle site, const std::string& initialPath);
    // File > New Connection: a remote window for the site in the bar.
    void newConnection();
    // Closes the frame without asking about running transfers: a stop
    // signal comes from no person at the window.
    void closeWithoutAsking();
    ChildWindow* activeChild() const;
    // Arranges the children as Window > Auto Arrange says.
    void arrange();

    QMdiArea& mdiArea() const { return *mdi_; }
    QuickConnectBar& connectBar() const { return *bar_; }
    QueueList& queueList() const { return *queueList_; }
    QDockWidget& queueBar() const { return *queueBar_; }
    WindowTabBar& windowTabs() const { return *tabs_; }
    // Holds "&Site Manager..." first; the saved sites follow it.
    QMenu& sitesMenu() const { return *sitesMenu_; }
    void setStatusText(const QString& text);

    // The settings sheet and the Site Manager; tests stand in for the dialogs.
    virtual void openGlobalSettings();
    void openSiteSettings(const SiteHandle& site) override;
    virtual void openSiteManager();
    void bookmark(const SiteHandle& site, const std::string& folder) override;
    SiteManager& siteManager() const { return *siteManager_; }

    // What the remote windows ask of the program.
    TransferQueue* queue() override;
    Profile& profile() override;
    // The current local window's folder, else the Desktop (the home folder
    // where there is none).
    std::string downloadFolder() override;
    void openRemote(const ConnectFields& login, const std::string& path) override;
    // A window opened from the quick-connect bar logged in: the bar's history
    // keeps the login that worked.
    void loggedIn(const SiteHandle& site) override;

    QueueMenu& queueMenu() const { return *queueMenu_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab goes round the quick-connect fields, the active window's panes
    // and the queue.
    bool focusNextPrevChild(bool next) override;
    // The default browser or help viewer; false when none would take it.
    virtual bool openUrl(const QUrl& url);

private:
    struct Actions;

    void createActions();
    void createMenus();
    void createToolBars();
    void createQueueBar();
    void createCentralArea();
    void loadLayout();
    void saveLayout();
    bool exitConfirmed();

    QMdiSubWindow* addChild(ChildWindow* child);
    void childActivated(QMdiSubWindow* window);
    void windowsChanged();
    void updateCommands();
    void updateArrangeChecks();
    void tile(bool vertically);
    bool queueDockedAcross() const;
    void shareHeight();
    void chooseMethod(AutoArrange::Method method);
    void toggleAutoArrange();
    void fillWindowMenu();
    void runOnActive(FrameCommand command);
    QList<QWidget*> focusStops() const;
    void moveFocus(QWidget* from, bool forward);

    void siteCommand(FrameCommand command);
    void showGuide();
    void showSupport();
    void showAbout();

    Workspace& workspace_;
    AutoArrange arrange_;
    BarSize barSize_;
    std::unique_ptr<Actions> a_;
    std::unique_ptr<SiteManager> siteManager_;
    QMdiArea* mdi_ = nullptr;
    WindowTabBar* tabs_ = nullptr;
    QuickConnectBar* bar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QToolBar* connectToolBar_ = nullptr;
    QDockWidget* queueBar_ = nullptr;
    QueueList* queueList_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* sitesMenu_ = nullptr;
    QueueMenu* queueMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QActionGroup* methods_ = nullptr;
    QList<QAction*> windowItems_;
    // The queue's height as the user left it, and as the frame last gave
    // it: it gives way to the windows where the frame is short of room.
    QTimer* sharing_ = nullptr;
    int queueWanted_ = 0;
    int queueGiven_ = 0;
    bool queueResizing_ = true;  // the next height seen is the frame's doing
    bool askBeforeExit_ = true;
    // Remote windows opened from the bar that have not logged in yet.
    QList<QPointer<ChildWindow>> barWindows_;
};

} // namespace varnix
