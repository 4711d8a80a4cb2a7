#include "app/qt/MainWindow.h"

#include "app/ExitQuestion.h"
#include "app/FrameCommands.h"
#include "app/HelpFiles.h"
#include "app/qt/AboutDialog.h"
#include "app/qt/QuickConnectBar.h"
#include "app/qt/WindowTabBar.h"
#include "browser/local/LocalPaths.h"
#include "browser/qt/local/LocalBrowserWindow.h"
#include "browser/qt/remote/RemoteBrowserWindow.h"
#include "platform/Profile.h"
#include "platform/qt/DisplayText.h"
#include "queue/TransferQueue.h"
#include "queue/qt/QueueList.h"
#include "queue/qt/QueueMenu.h"
#include "queue/qt/QueueModel.h"
#include "settings/qt/WidgetLayout.h"
#include "site/qt/SettingsSheet.h"
#include "site/qt/SiteManager.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStandardPaths>
#include <QStatusBar>
#include <QIcon>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

#ifndef VARNIX_SUPPORT_URL
#define VARNIX_SUPPORT_URL "https://varnix.tessik.example/support"
#endif

namespace varnix {

struct MainWindow::Actions {
    QAction* newLocalWindow;
    QAction* newConnection;
    QAction* exit;
    QAction* globalSettings;
    QAction* queue;
    QAction* siteManager;
    QAction* methodCascade;
    QAction* methodTileVertically;
    QAction* methodTileHorizontally;
    QAction* autoArrange;
    QAction* cascade;
    QAction* tileVertically;
    QAction* tileHorizontally;
    QAction* closeAll;
    QAction* close;
    QAction* guide;
    QAction* support;
    QAction* about;
    // The toolbar's own buttons.
    QAction* connect;
    QAction* siteSettings;
    QAction* bookmark;
    QAction* globalSettingsButton;
    // Accelerators of the active child's commands.
    QAction* cancel;
    QAction* rename;
    QAction* refresh;
};

namespace {

QIcon icon(const char* name)
{
    return QIcon(QStringLiteral(":/varnix/icons/%1.png").arg(QLatin1String(name)));
}

// Below this a browser window's toolbar, path box and list are clipped to
// uselessness.
constexpr QSize kChildMinimum(240, 150);
// Where the frame is short of room, the queue gives way until the windows
// have this much height.
constexpr int kWindowsRoom = 220;

ChildWindow* childOf(QMdiSubWindow* window)
{
    return window ? qobject_cast<ChildWindow*>(window->widget()) : nullptr;
}

} // namespace

MainWindow::MainWindow(Workspace& workspace, QWidget* parent)
    : QMainWindow(parent), workspace_(workspace), barSize_{{480, 240}, {480, 240}, {480, 240}}, a_(std::make_unique<Actions>())
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(tr("Varnix"));
    resize(1024, 720);
    createActions();
    createMenus();
    createToolBars();
    status_ = new QLabel(tr("Ready"), this);
    status_->setAccessibleName(tr("Status"));
    statusBar()->addWidget(status_, 1);
    createQueueBar();
    createCentralArea();
    loadLayout();
    siteManager_ = std::make_unique<SiteManager>(workspace_.sites(), workspace_.profile(), workspace_.logins(),
                                                 [this](const SiteEntry& entry) {
                                                     openRemoteWindow(workspace_.siteFor(entry), entry.directory);
                                                 });
    siteManager_->setSitesMenu(sitesMenu_);
    updateArrangeChecks();
    updateCommands();
}

// The children go first, while the frame still stands, and without their
// last signals reaching it.
MainWindow::~MainWindow()
{
    QMdiArea* area = std::exchange(mdi_, nullptr);
    area->disconnect(this);
    for (QMdiSubWindow* window : area->subWindowList()) {
        window->disconnect(this);
        if (QWidget* child = window->widget())
            child->disconnect(this);
    }
    delete area;
}

void MainWindow::createActions()
{
    Actions& a = *a_;
    auto make = [this](const QString& text, auto slot) {
        auto* action = new QAction(text, this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    a.newLocalWindow = make(tr("New Local &Window"), [this] { openLocalWindow(); });
    a.newLocalWindow->setIcon(icon("new-local-window"));
    a.newLocalWindow->setToolTip(tr("New Local Window"));
    a.newConnection = make(tr("New &Connection"), &MainWindow::newConnection);
    a.newConnection->setIcon(icon("connect"));
    a.exit = make(tr("E&xit"), &MainWindow::close);
    a.globalSettings = make(tr("Global &Settings..."), [this] { openGlobalSettings(); });
    a.globalSettings->setIcon(icon("global-settings"));
    a.siteManager = make(tr("&Site Manager..."), [this] { openSiteManager(); });
    a.siteManager->setShortcut(Qt::Key_F4);
    a.siteManager->setIcon(icon("site-manager"));

    a.methodCascade = make(tr("&Cascade"), [this] { chooseMethod(AutoArrange::Cascade); });
    a.methodTileVertically = make(tr("Tile &Vertically"), [this] { chooseMethod(AutoArrange::TileVertically); });
    a.methodTileHorizontally = make(tr("Tile &Horizontally"), [this] { chooseMethod(AutoArrange::TileHorizontally); });
    methods_ = new QActionGroup(this);
    for (QAction* method : {a.methodCascade, a.methodTileVertically, a.methodTileHorizontally}) {
        method->setCheckable(true);
        methods_->addAction(method);
    }
    // The stored method 3 (maximize) has no item: then none is checked.
    methods_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    a.autoArrange = make(tr("&Auto Arrange"), &MainWindow::toggleAutoArrange);
    a.autoArrange->setCheckable(true);
    a.cascade = make(tr("&Cascade"), [this] { mdi_->cascadeSubWindows(); });
    a.tileVertically = make(tr("Tile &Vertically"), [this] { tile(true); });
    a.tileHorizontally = make(tr("Tile &Horizontally"), [this] { tile(false); });
    a.closeAll = make(tr("Close Al&l"), [this] { mdi_->closeAllSubWindows(); });
    a.close = make(tr("&Close"), [this] { mdi_->closeActiveSubWindow(); });

    a.guide = make(tr("User's &Guide"), &MainWindow::showGuide);
    a.guide->setShortcut(QKeySequence::HelpContents);
    a.support = make(tr("Online &Support"), &MainWindow::showSupport);
    a.about = make(tr("&About Varnix"), &MainWindow::showAbout);

    a.connect = make(tr("Connect"), &MainWindow::newConnection);
    a.connect->setIcon(a.newConnection->icon());
    a.siteSettings = make(tr("Site Settings"), [this] { siteCommand(FrameCommand::SiteSettings); });
    a.siteSettings->setIcon(icon("site-settings"));
    a.bookmark = make(tr("Bookmark"), [this] { siteCommand(FrameCommand::Bookmark); });
    a.bookmark->setIcon(icon("bookmark"));
    a.globalSettingsButton = make(tr("Global Settings"), [this] { openGlobalSettings(); });
    a.globalSettingsButton->setIcon(a.globalSettings->icon());

    a.cancel = make(tr("Cancel"), [this] { runOnActive(FrameCommand::Cancel); });
    a.cancel->setShortcut(Qt::Key_Escape);
    a.rename = make(tr("Rename"), [this] { runOnActive(FrameCommand::Rename); });
    a.rename->setShortcut(Qt::Key_F2);
    a.refresh = make(tr("Refresh"), [this] { runOnActive(FrameCommand::Refresh); });
    a.refresh->setShortcut(Qt::Key_F5);
    addActions({a.cancel, a.rename, a.refresh});
}

void MainWindow::createMenus()
{
    Actions& a = *a_;
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addActions({a.newLocalWindow, a.newConnection});
    file->addSeparator();
    file->addAction(a.exit);
    menuBar()->addMenu(tr("&Edit"))->addAction(a.globalSettings);
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    sitesMenu_ = menuBar()->addMenu(tr("&Sites"));
    sitesMenu_->addAction(a.siteManager);

    windowMenu_ = menuBar()->addMenu(tr("&Window"));
    QMenu* autoMenu = windowMenu_->addMenu(tr("&Auto Arrange"));
    autoMenu->addActions({a.methodCascade, a.methodTileVertically, a.methodTileHorizontally});
    autoMenu->addSeparator();
    autoMenu->addAction(a.autoArrange);
    windowMenu_->addActions({a.cascade, a.tileVertically, a.tileHorizontally});
    windowMenu_->addSeparator();
    windowMenu_->addActions({a.closeAll, a.close});
    connect(windowMenu_, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addActions({a.guide, a.support});
    help->addSeparator();
    help->addAction(a.about);
    for (QAction* menu : menuBar()->actions())
        menu->menu()->setAccessibleName(menu->text().remove(QLatin1Char('&')));
}

void MainWindow::createToolBars()
{
    Actions& a = *a_;
    toolBar_ = addToolBar(tr("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("Toolbar"));
    toolBar_->setAccessibleName(tr("Toolbar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->addAction(a.newLocalWindow);
    toolBar_->addSeparator();
    toolBar_->addActions({a.connect, a.siteSettings, a.bookmark});
    toolBar_->addSeparator();
    toolBar_->addAction(a.globalSettingsButton);
    for (QAction* action : toolBar_->actions())
        if (QWidget* button = toolBar_->widgetForAction(action); button && !action->isSeparator())
            button->setAccessibleName(action->toolTip());

    addToolBarBreak();
    connectToolBar_ = addToolBar(tr("Quick Connect"));
    connectToolBar_->setObjectName(QStringLiteral("QuickConnect"));
    connectToolBar_->setAccessibleName(tr("Quick Connect"));
    bar_ = new QuickConnectBar(connectToolBar_);
    connectToolBar_->addWidget(bar_);
    connect(bar_, &QuickConnectBar::fieldsChanged, this, &MainWindow::updateCommands);
    connect(bar_, &QuickConnectBar::connectRequested, this, [this] {
        if (a_->newConnection->isEnabled())
            newConnection();
    });
}

void MainWindow::createQueueBar()
{
    queueBar_ = new QDockWidget(tr("Queue"), this);
    queueBar_->setObjectName(QStringLiteral("QueueBar"));
    queueBar_->setAccessibleName(tr("Queue"));
    queueBar_->setAllowedAreas(Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea);
    queueList_ = new QueueList(queueBar_);
    // The queue's own sessions belong to no remote window: its failures are
    // told where the queue is shown.
    connect(&queueList_->rows(), &QueueModel::failureReported, this, &MainWindow::setStatusText);
    queueBar_->setWidget(queueList_);
    addDockWidget(Qt::BottomDockWidgetArea, queueBar_);
    queueMenu_ = new QueueMenu(*queueList_, [this] { return queue(); }, this);
    resizeDocks({queueBar_}, {barSize_.horz.cy}, Qt::Vertical);
    a_->queue = queueBar_->toggleViewAction();
    a_->queue->setText(tr("&Queue"));
    menuBar()->findChild<QMenu*>(QStringLiteral("ViewMenu"))->addAction(a_->queue);
}

void MainWindow::createCentralArea()
{
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    mdi_ = new QMdiArea(centre);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setAccessibleName(tr("Windows"));
    mdi_->viewport()->installEventFilter(this);
    sharing_ = new QTimer(this);
    sharing_->setSingleShot(true);
    sharing_->setInterval(0);
    connect(sharing_, &QTimer::timeout, this, &MainWindow::shareHeight);
    tabs_ = new WindowTabBar(*mdi_, centre);
    column->addWidget(mdi_, 1);
    column->addWidget(tabs_);
    setCentralWidget(centre);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::childActivated);
}

void MainWindow::loadLayout()
{
    Profile& profile = workspace_.profile();
    arrange_.load(profile);
    // Without a stored placement the desktop places the window.
    if (profile.readInt(kSection, "Show", 0) != 0)
        layout::loadPlacement(*this, profile, kSection);
    layout::loadColumns(*queueList_->header(), profile, kSection);
    std::string barSection = BarSize::sectionFor(kSection, kQueueBarId);
    barSize_ = BarSize::load(profile, barSection, barSize_, {40, 40});
    queueWanted_ = barSize_.horz.cy;
    layout::applyBarSize(*this, *queueBar_, barSize_);
    QByteArray state = QByteArray::fromBase64(QByteArray::fromStdString(profile.readString(kSection, "BarState", "")));
    if (!state.isEmpty())
        restoreState(state);
    bar_->load(profile);
}

void MainWindow::saveLayout()
{
    Profile& profile = workspace_.profile();
    arrange_.save(profile);
    layout::savePlacement(*this, profile, kSection);
    layout::saveColumns(*queueList_->header(), profile, kSection);
    barSize_ = layout::barSizeOf(*this, *queueBar_, barSize_);
    if (queueDockedAcross())
        barSize_.horz.cy = queueWanted_;
    barSize_.save(profile, BarSize::sectionFor(kSection, kQueueBarId));
    profile.writeString(kSection, "BarState", saveState().toBase64().toStdString());
    bar_->save(profile);
    profile.flush();
}

// While a dialog is up no child is active, and a child that went idle
// meanwhile (a refused login, say) found the frame's commands off: they are
// worked out again when the frame is back.
void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        updateCommands();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!exitConfirmed()) {
        event->ignore();
        return;
    }
    saveLayout();
    // Each window saves its own layout as it closes.
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

// No keeps the program, and the transfers, going.
bool MainWindow::exitConfirmed()
{
    TransferQueue* transfers = queue();
    std::string question = transfers && askBeforeExit_ ? exitQuestion(transfers->items()) : std::string();
    if (question.empty())
        return true;
    QMessageBox box(QMessageBox::Question, tr("Varnix"), displayText(question), QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setDefaultButton(QMessageBox::No);
    for (QAbstractButton* button : box.buttons())
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::closeWithoutAsking()
{
    QScopedValueRollback<bool> quiet(askBeforeExit_, false);
    close();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The area changes size with the frame and whenever the queue bar is
    // moved, resized, shown or hidden.
    if (mdi_ && watched == mdi_->viewport() && event->type() == QEvent::Resize) {
        // The queue's own size arrives after the area's.
        sharing_->start();
        arrange();
    }
    return QMainWindow::eventFilter(watched, event);
}

ChildWindow* MainWindow::openLocalWindow(std::optional<std::string> folder)
{
    auto* child = new LocalBrowserWindow(workspace_, std::move(folder));
    connect(child, &LocalBrowserWindow::replicateRequested, this,
            [this](const std::string& there) { openLocalWindow(there); });
    addChild(child);
    return child;
}

ChildWindow* MainWindow::openRemoteWindow(SiteHandle site, const std::string& initialPath)
{
    auto* child = new RemoteBrowserWindow(workspace_, *this, std::move(site), initialPath);
    addChild(child);
    return child;
}

QMdiSubWindow* MainWindow::addChild(ChildWindow* child)
{
    QMdiSubWindow* window = mdi_->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(icon(child->kind() == ChildWindow::Kind::Remote ? "remote-window" : "local-window"));
    window->resize(mdi_->viewport()->width() / 2, mdi_->viewport()->height() / 2);
    connect(window, &QWidget::windowTitleChanged, this, &MainWindow::windowsChanged);
    window->setMinimumSize(kChildMinimum);
    connect(window, &QObject::destroyed, this, &MainWindow::windowsChanged, Qt::QueuedConnection);
    connect(window, &QObject::destroyed, this, &MainWindow::arrange, Qt::QueuedConnection);
    connect(child, &ChildWindow::commandsChanged, this, &MainWindow::updateCommands);
    connect(child, &ChildWindow::focusLeft, this, [this, child](bool forward) { moveFocus(child, forward); });
    window->show();
    mdi_->setActiveSubWindow(window);
    arrange();
    windowsChanged();
    return window;
}

ChildWindow* MainWindow::activeChild() const
{
    return mdi_ ? childOf(mdi_->activeSubWindow()) : nullptr;
}

void MainWindow::childActivated(QMdiSubWindow* window)
{
    if (ChildWindow* child = childOf(window))
        child->activated();
    windowsChanged();
}

void MainWindow::windowsChanged()
{
    if (!mdi_)
        return;
    tabs_->follow();
    updateCommands();
}

void MainWindow::updateCommands()
{
    ChildWindow* active = activeChild();
    FrameState state;
    state.barIncomplete = bar_->isIncomplete();
    state.remoteActive = active && active->kind() == ChildWindow::Kind::Remote;
    state.children = int(mdi_ ? mdi_->subWindowList().size() : 0);
    FrameCommands enabled = FrameCommands::from(state);
    Actions& a = *a_;
    a.newConnection->setEnabled(enabled.newConnection);
    a.connect->setEnabled(enabled.newConnection);
    a.siteSettings->setEnabled(enabled.siteSettings);
    a.bookmark->setEnabled(enabled.bookmark);
    a.close->setEnabled(enabled.closeWindow);
    a.closeAll->setEnabled(enabled.closeAll);
    a.cancel->setEnabled(active && active->canRun(FrameCommand::Cancel));
    a.rename->setEnabled(active && active->canRun(FrameCommand::Rename));
    a.refresh->setEnabled(active && active->canRun(FrameCommand::Refresh));
}

void MainWindow::arrange()
{
    if (!mdi_)
        return;
    switch (arrange_.step()) {
    case AutoArrange::Step::None:
        break;
    case AutoArrange::Step::Cascade:
        mdi_->cascadeSubWindows();
        break;
    case AutoArrange::Step::TileVertically:
        tile(true);
        break;
    case AutoArrange::Step::TileHorizontally:
        tile(false);
        break;
    case AutoArrange::Step::MaximizeActive:
        if (QMdiSubWindow* active = mdi_->activeSubWindow(); active && !active->isMaximized())
            active->showMaximized();
        break;
    }
}

void MainWindow::tile(bool vertically)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (!window->isMinimized() && !window->isHidden())
            windows.append(window);
    QRect area = mdi_->viewport()->rect();
    std::vector<TileRect> rects = tileRects(int(windows.size()), {0, 0, area.width(), area.height()}, vertically,
                                            {kChildMinimum.width(), kChildMinimum.height()});
    for (int i = 0; i < int(windows.size()); ++i) {
        QMdiSubWindow* window = windows[i];
        if (window->isMaximized())
            window->showNormal();
        const TileRect& r = rects[std::size_t(i)];
        window->setGeometry(r.x, r.y, r.width, r.height);
    }
}

bool MainWindow::queueDockedAcross() const
{
    const Qt::DockWidgetArea area = dockWidgetArea(queueBar_);
    return queueBar_->isVisible() && !queueBar_->isFloating() &&
           (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea);
}

// A height the frame did not give the queue is the user's: the separator
// was dragged. The first one seen (the saved state's) is the frame's, so
// the queue goes back to its stored height where there is room.
void MainWindow::shareHeight()
{
    if (!isVisible() || !queueDockedAcross())
        return;
    const int height = queueBar_->height();
    if (std::exchange(queueResizing_, false))
        queueGiven_ = height;
    else if (height != queueGiven_)
        queueWanted_ = height;
    const int share = BarSize::shareOf(queueWanted_, mdi_->viewport()->height() + height, kWindowsRoom,
                                       queueBar_->minimumSizeHint().height());
    queueGiven_ = share;
    if (share == height)
        return;
    queueResizing_ = true;
    resizeDocks({queueBar_}, {share}, Qt::Vertical);
}

void MainWindow::chooseMethod(AutoArrange::Method method)
{
    arrange_.choose(method);
    updateArrangeChecks();
    arrange();
}

void MainWindow::toggleAutoArrange()
{
    arrange_.toggle();
    updateArrangeChecks();
    arrange();
}

void MainWindow::updateArrangeChecks()
{
    Actions& a = *a_;
    a.autoArrange->setChecked(arrange_.enabled());
    a.methodCascade->setChecked(arrange_.method() == AutoArrange::Cascade);
    a.methodTileVertically->setChecked(arrange_.method() == AutoArrange::TileVertically);
    a.methodTileHorizontally->setChecked(arrange_.method() == AutoArrange::TileHorizontally);
}

// The open windows follow the fixed items, numbered, the active one checked.
void MainWindow::fillWindowMenu()
{
    qDeleteAll(windowItems_);
    windowItems_.clear();
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    windowItems_.append(windowMenu_->addSeparator());
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QString text = QString::fromLatin1(number < 10 ? "&%1 %2" : "%1 %2")
                           .arg(QString::number(number), window->windowTitle());
        QAction* item = windowMenu_->addAction(text, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (!window)
                return;
            if (window->isMinimized())
                window->showNormal();
            mdi_->setActiveSubWindow(window);
        });
        item->setCheckable(true);
        item->setChecked(window == mdi_->activeSubWindow());
        windowItems_.append(item);
        ++number;
    }
}

void MainWindow::runOnActive(FrameCommand command)
{
    if (ChildWindow* active = activeChild(); active && active->canRun(command))
        active->run(command);
}

// The active window stands for all of them: Ctrl+Tab goes to the others.
QList<QWidget*> MainWindow::focusStops() const
{
    QList<QWidget*> stops;
    for (QWidget* w = bar_->nextInFocusChain(); bar_->isAncestorOf(w); w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisible() && w->isEnabled())
            stops.append(w);
    if (ChildWindow* active = activeChild())
        stops.append(active);
    if (queueList_->isVisible())
        stops.append(queueList_);
    return stops;
}

void MainWindow::moveFocus(QWidget* from, bool forward)
{
    const QList<QWidget*> stops = focusStops();
    const qsizetype at = stops.indexOf(from);
    if (at < 0 || stops.size() < 2)
        return;
    QWidget* to = stops[(at + (forward ? 1 : stops.size() - 1)) % stops.size()];
    if (auto* child = qobject_cast<ChildWindow*>(to))
        child->enterFocus(forward);
    else
        to->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool MainWindow::focusNextPrevChild(bool next)
{
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* stop : focusStops()) {
        if (stop == focus || stop->isAncestorOf(focus)) {
            moveFocus(stop, next);
            return true;
        }
    }
    return QMainWindow::focusNextPrevChild(next);
}

void MainWindow::openGlobalSettings()
{
    SettingsSheet::editGlobal(this, workspace_.profile());
}

void MainWindow::openSiteSettings(const SiteHandle& site)
{
    SettingsSheet::editSite(this, site, workspace_.profile());
}

void MainWindow::openSiteManager()
{
    siteManager_->open(this);
}

void MainWindow::bookmark(const SiteHandle& site, const std::string& folder)
{
    siteManager_->bookmark(this, site, folder);
}

TransferQueue* MainWindow::queue()
{
    return workspace_.queue();
}

Profile& MainWindow::profile()
{
    return workspace_.profile();
}

std::string MainWindow::downloadFolder()
{
    if (DownloadTarget* local = workspace_.currentLocal(); local && !local->folder().empty())
        return local->folder();
    return desktopOrHome(bytesOf(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)),
                         bytesOf(QDir::homePath()));
}

void MainWindow::openRemote(const ConnectFields& login, const std::string& path)
{
    openRemoteWindow(workspace_.makeSite(login), path);
}

void MainWindow::setStatusText(const QString& text)
{
    status_->setText(text);
}

void MainWindow::newConnection()
{
    if (bar_->isIncomplete())
        return;
    barWindows_.append(openRemoteWindow(workspace_.makeSite(bar_->makeConnection()), std::string()));
}

void MainWindow::loggedIn(const SiteHandle& site)
{
    barWindows_.removeAll(nullptr);
    for (qsizetype i = 0; i < barWindows_.size(); ++i) {
        auto* remote = dynamic_cast<RemoteWindow*>(barWindows_[i].data());
        if (remote && remote->site() == site) {
            barWindows_.removeAt(i);
            LoginData login = LockedAccess<SiteContext>(site)->loginCopy();
            bar_->loggedIn(ConnectFields{login.host, login.port, login.user, login.password});
            return;
        }
    }
}

// The active remote window serves Site Settings and Bookmark when there is
// one; otherwise they take the site typed into the bar, which joins the
// bar's history as a connection would.
void MainWindow::siteCommand(FrameCommand command)
{
    ChildWindow* active = activeChild();
    if (active && active->kind() == ChildWindow::Kind::Remote) {
        if (active->canRun(command)) {
            active->run(command);
            return;
        }
        SiteHandle site = static_cast<RemoteChildWindow*>(active)->site();
        command == FrameCommand::SiteSettings ? openSiteSettings(site) : bookmark(site, std::string());
        return;
    }
    if (bar_->isIncomplete())
        return;
    SiteHandle site = workspace_.makeSite(bar_->makeConnection());
    command == FrameCommand::SiteSettings ? openSiteSettings(site) : bookmark(site, std::string());
}

bool MainWindow::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void MainWindow::showGuide()
{
    for (const std::string& candidate : guideCandidates(bytesOf(QCoreApplication::applicationDirPath()))) {
        QFileInfo guide(displayText(candidate));
        if (!guide.exists())
            continue;
        if (!openUrl(QUrl::fromLocalFile(guide.canonicalFilePath())))
            QMessageBox::warning(this, tr("Varnix"), tr("No program could open %1.").arg(guide.canonicalFilePath()));
        return;
    }
    QMessageBox::warning(this, tr("Varnix"), tr("The User's Guide (help/guide.html) is not installed beside Varnix."));
}

void MainWindow::showSupport()
{
    QString address = displayText(supportAddress(workspace_.profile(), VARNIX_SUPPORT_URL));
    if (!openUrl(QUrl(address)))
        QMessageBox::warning(this, tr("Varnix"), tr("No web browser could open %1.").arg(address));
}

void MainWindow::showAbout()
{
    AboutDialog about(this);
    about.exec();
}

} // namespace varnix
