#include "browser/qt/LocalBrowserWindow.h"

#include "browser/Drops.h"
#include "browser/LocalCopy.h"
#include "browser/LocalPaths.h"
#include "browser/LocalFileOps.h"
#include "browser/UploadTarget.h"
#include "browser/qt/ClashDialog.h"
#include "browser/qt/CopyProgress.h"
#include "browser/qt/DesktopFolderReader.h"
#include "browser/qt/DragMimeData.h"
#include "browser/qt/LocalFileModel.h"
#include "browser/qt/LocalFolderBox.h"
#include "platform/Profile.h"
#include "platform/qt/DisplayText.h"
#include "settings/qt/WidgetLayout.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>

// Resources of a static library are registered by hand, outside any namespace.
static void registerLocalWindowResources()
{
    Q_INIT_RESOURCE(localwindow);
}

namespace varnix {

struct LocalBrowserWindow::Actions {
    QAction* upload;
    QAction* queue;
    QAction* transfer;
    QAction* open;
    QAction* remove;
    QAction* rename;
    QAction* refresh;
    QAction* replicate;
    QAction* back;
    QAction* up;
    QAction* newFolder;
    QAction* deleteKey;
    QAction* upKey;  // Backspace in the list, where it edits no text
};

namespace {

constexpr std::string_view kFolderValue = "Folder";

QIcon toolIcon(const char* name)
{
    return QIcon(QStringLiteral(":/varnix/local/%1.png").arg(QLatin1String(name)));
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The trash is made when first needed; some file managers leave that to
// whoever trashes first, and Qt does not make the folders above it.
void ensureTrash()
{
    QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    bool existed = QFileInfo(trash).isDir();
    QDir().mkpath(trash + QStringLiteral("/files"));
    QDir().mkpath(trash + QStringLiteral("/info"));
    if (!existed)
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

LocalBrowserWindow::LocalBrowserWindow(Workspace& workspace, std::optional<std::string> folder, QWidget* parent)
    : LocalChildWindow(workspace, parent),
      reader_(std::make_unique<DesktopFolderReader>()),
      a_(std::make_unique<Actions>())
{
    static const bool registered = (registerLocalWindowResources(), true);
    (void)registered;
    setObjectName(QStringLiteral("LocalWindow"));
    watcher_ = std::make_unique<CRefreshThread>(
        *reader_,
        [this](std::function<void()> call) { QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection); },
        [this](int what) { take(what); });
    createActions();
    createWidgets();
    loadLayout();
    std::string start = startFolder(std::move(folder));
    browsing_ = std::make_unique<LocalBrowsing>(*watcher_, start);
    watcher_->start(start);
    navigated();
    // Whether a remote window can take uploads changes in other windows;
    // the buttons follow whenever the program falls idle.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &LocalBrowserWindow::updateCommands);
}

LocalBrowserWindow::~LocalBrowserWindow()
{
    watcher_->stop();
}

void LocalBrowserWindow::createActions()
{
    Actions& a = *a_;
    auto make = [this](const QString& text, auto slot) {
        auto* action = new QAction(text, this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    a.upload = make(tr("Upload"), [this] { upload(UploadKind::Upload); });
    a.queue = make(tr("Queue"), [this] { upload(UploadKind::Queue); });
    a.transfer = make(tr("Transfer"), [this] { upload(UploadKind::Transfer); });
    a.open = make(tr("Open"), &LocalBrowserWindow::openSelected);
    a.remove = make(tr("Delete\tDel"), &LocalBrowserWindow::deleteSelected);
    a.rename = make(tr("Rename\tF2"), &LocalBrowserWindow::renameSelected);
    a.refresh = make(tr("Refresh\tF5"), &LocalBrowserWindow::refresh);
    a.replicate = make(tr("Replicate View"), [this] { emit replicateRequested(currentFolder()); });
    a.back = make(tr("Go To Last Folder Visited"), &LocalBrowserWindow::goBack);
    a.up = make(tr("Up One Level"), &LocalBrowserWindow::goUp);
    a.newFolder = make(tr("Create New Folder"), &LocalBrowserWindow::createFolder);
    a.deleteKey = make(tr("Delete"), &LocalBrowserWindow::deleteSelected);
    a.deleteKey->setShortcut(QKeySequence::Delete);
    a.deleteKey->setShortcutContext(Qt::WidgetShortcut);
    a.upKey = make(tr("Up One Level"), &LocalBrowserWindow::goUp);
    a.upKey->setShortcut(Qt::Key_Backspace);
    a.upKey->setShortcutContext(Qt::WidgetShortcut);
    a.up->setShortcut(Qt::ALT | Qt::Key_Up);
    a.back->setShortcut(Qt::ALT | Qt::Key_Left);
    for (QAction* action : {a.up, a.back}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    a.remove->setToolTip(tr("Delete"));
    a.refresh->setToolTip(tr("Refresh"));
    a.back->setIcon(toolIcon("back"));
    a.up->setIcon(toolIcon("up"));
    a.newFolder->setIcon(toolIcon("new-folder"));
    a.remove->setIcon(toolIcon("delete"));
    a.transfer->setIcon(toolIcon("transfer"));
    a.refresh->setIcon(toolIcon("refresh"));

    menu_ = new QMenu(this);
    menu_->setAccessibleName(tr("Local folder"));
    menu_->addActions({a.upload, a.queue});
    menu_->addSeparator();
    menu_->addAction(a.open);
    menu_->addSeparator();
    menu_->addActions({a.remove, a.rename});
    menu_->addSeparator();
    menu_->addActions({a.refresh, a.replicate});
    menu_->addSeparator();
    menu_->addActions({a.back, a.up, a.newFolder});
    connect(menu_, &QMenu::aboutToShow, this, &LocalBrowserWindow::updateCommands);
}

void LocalBrowserWindow::createWidgets()
{
    Actions& a = *a_;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 2);
    auto* tools = new QToolBar(tr("Toolbar"), this);
    tools->setAccessibleName(tr("Toolbar"));
    tools->setIconSize(QSize(20, 20));
    tools->addActions({a.back, a.up, a.newFolder, a.remove, a.transfer, a.refresh});
    for (QAction* action : tools->actions())
        tools->widgetForAction(action)->setAccessibleName(action->toolTip());
    box_ = new LocalFolderBox(this);
    top->addWidget(tools);
    top->addWidget(box_, 1);
    column->addLayout(top);

    FileListView::Handler& drops = *this;
    list_ = new FileListView(drops, this);
    list_->setAccessibleName(tr("Files"));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->addActions({a.deleteKey, a.upKey});
    rows_ = new LocalFileModel(this);
    rows_->setRenamer([this](const LocalItem& item, const std::string& name) { return rename(item, name); });
    list_->setModel(rows_);
    column->addWidget(list_, 1);

    connect(list_, &QAbstractItemView::activated, this, &LocalBrowserWindow::activateRows);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        selected_ = std::size_t(list_->selectionModel()->selectedRows().size());
        updateCommands();
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &LocalBrowserWindow::sortClicked);
    connect(box_, &LocalFolderBox::folderChosen, this, &LocalBrowserWindow::goTo);
    connect(box_, &LocalFolderBox::folderTyped, this, &LocalBrowserWindow::typedFolder);
}

std::string LocalBrowserWindow::startFolder(std::optional<std::string> folder)
{
    if (!folder)
        folder = workspace().profile().readString(section(), kFolderValue, "");
    std::string path = normalPath(*folder);
    return isDirectory(path) ? path : std::string();
}

void LocalBrowserWindow::loadLayout()
{
    list_->setColumnWidths({220, 80, 150, 140});
    rows_->sortBy(layout::loadSortMode(*list_->header(), workspace().profile(), section()));
}

void LocalBrowserWindow::saveLayout()
{
    Profile& profile = workspace().profile();
    profile.writeString(section(), kFolderValue, currentFolder());
    layout::saveSortMode(*list_->header(), rows_->sortMode(), profile, section());
}

void LocalBrowserWindow::closeEvent(QCloseEvent* event)
{
    saveLayout();
    QWidget::closeEvent(event);
}

std::string LocalBrowserWindow::folder() const
{
    if (!currentFolder().empty())
        return currentFolder();
    // The desktop itself: what lands on it goes into the Desktop folder.
    return desktopOrHome(QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)).toStdString(),
                         QFile::encodeName(QDir::homePath()).toStdString());
}

void LocalBrowserWindow::activated()
{
    LocalChildWindow::activated();
    updateCommands();
}

bool LocalBrowserWindow::canRun(FrameCommand command) const
{
    LocalCommands now = currentCommands();
    return (command == FrameCommand::Rename && now.rename) || (command == FrameCommand::Refresh && now.refresh);
}

void LocalBrowserWindow::run(FrameCommand command)
{
    if (command == FrameCommand::Rename)
        renameSelected();
    else if (command == FrameCommand::Refresh)
        refresh();
}

QList<QWidget*> LocalBrowserWindow::focusPanes() const
{
    return {box_, list_};
}

// Inside a hand-over, while the watcher waits. What was built for a folder
// the window has already left is passed over; the new one's is on its way.
void LocalBrowserWindow::take(int what)
{
    if (what & CRefreshThread::kTreeChanged) {
        const FolderTree& tree = watcher_->tree();
        if (tree.current >= 0 && tree.nodes[std::size_t(tree.current)].folder == currentFolder()) {
            tree_ = tree;
            showTree();
        }
    }
    if ((what & CRefreshThread::kContentsChanged) && !deleting_ && watcher_->contents()->folder == currentFolder()) {
        contents_ = watcher_->contents();
        showContents();
    }
    updateCommands();
}

void LocalBrowserWindow::showTree()
{
    box_->showTree(tree_, [this](const std::string& icon) { return rows_->icon(icon, "folder", true); });
    setWindowTitle(titleOf(currentFolder()));
}

void LocalBrowserWindow::showContents()
{
    bool arrived = !rows_->shows(contents_->folder);
    rows_->show(*contents_);
    if (arrived && contents_->error != 0) {
        QString message = tr("Cannot read %1: %2.").arg(displayText(contents_->folder), errorText(contents_->error));
        QTimer::singleShot(0, this, [this, message] { QMessageBox::warning(this, tr("Varnix"), message); });
    }
    std::string created = browsing_->takeNewFolder(*contents_);
    if (!created.empty())
        nameNewFolder(created);
}

// A folder just created gets its name typed in place as soon as it is listed.
void LocalBrowserWindow::nameNewFolder(const std::string& path)
{
    int row = rows_->rowOf(path);
    if (row < 0)
        return;
    QModelIndex index = rows_->index(row, LocalFileModel::Name);
    list_->setFocus();
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
    list_->edit(index);
}

void LocalBrowserWindow::navigated()
{
    setWindowTitle(titleOf(currentFolder()));
    box_->showFolder(shownFolderText());
    updateCommands();
}

QString LocalBrowserWindow::shownFolderText() const
{
    return currentFolder().empty() ? titleOf({}) : displayText(currentFolder());
}

QString LocalBrowserWindow::titleOf(const std::string& folder) const
{
    if (int node = tree_.find(folder); node >= 0)
        return displayText(tree_.nodes[std::size_t(node)].name);
    return displayText(folder.empty() ? std::string(DesktopNamespace::kDesktopName) : lastComponent(folder));
}

LocalCommands LocalBrowserWindow::currentCommands() const
{
    LocalState state;
    state.selected = selected_;
    state.atDesktop = browsing_->atDesktop();
    state.history = browsing_->historySize();
    state.refreshPending = watcher_->refreshPending();
    UploadTarget* target = uploadTarget();
    state.uploadTarget = target && target->canUpload();
    return LocalCommands::from(state);
}

void LocalBrowserWindow::updateCommands()
{
    LocalCommands now = currentCommands();
    bool frameChanged = now.rename != commands_.rename || now.refresh != commands_.refresh;
    commands_ = now;
    Actions& a = *a_;
    for (QAction* action : {a.upload, a.queue, a.transfer})
        action->setEnabled(now.upload);
    a.open->setEnabled(now.open);
    a.remove->setEnabled(now.remove);
    a.deleteKey->setEnabled(now.remove);
    a.rename->setEnabled(now.rename);
    a.refresh->setEnabled(now.refresh);
    a.replicate->setEnabled(now.replicate);
    a.back->setEnabled(now.back);
    a.up->setEnabled(now.up);
    a.upKey->setEnabled(now.up);
    a.newFolder->setEnabled(now.newFolder);
    if (frameChanged)
        emit commandsChanged();
}

UploadTarget* LocalBrowserWindow::uploadTarget() const
{
    return dynamic_cast<UploadTarget*>(workspace().currentRemote());
}

std::vector<std::string> LocalBrowserWindow::selectedPaths() const
{
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<std::string> paths;
    for (const QModelIndex& index : selected)
        paths.push_back(rows_->item(index.row()).path);
    return paths;
}

void LocalBrowserWindow::goTo(const std::string& folder)
{
    browsing_->goTo(folder);
    navigated();
}

void LocalBrowserWindow::goBack()
{
    browsing_->goBack();
    navigated();
}

void LocalBrowserWindow::goUp()
{
    browsing_->goUp(tree_);
    navigated();
}

void LocalBrowserWindow::upload(UploadKind kind)
{
    if (UploadTarget* target = uploadTarget())
        uploadAll(*target, selectedPaths(), kind);
}

// A single folder (or link to one) opens here; files, and several rows,
// go to the current remote window.
void LocalBrowserWindow::activateRows()
{
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.size() == 1 && rows_->item(selected.front().row()).isFolder)
        goTo(rows_->item(selected.front().row()).path);
    else
        upload(UploadKind::Transfer);
}

void LocalBrowserWindow::openSelected()
{
    for (const std::string& path : selectedPaths())
        if (!openExternally(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path)))))
            QMessageBox::warning(this, tr("Varnix"), tr("No program could open %1.").arg(displayText(path)));
}

bool LocalBrowserWindow::openExternally(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

// The watcher is told to ignore the folder's changes while the items go,
// so the list is not rebuilt between the trash and the rows' removal.
void LocalBrowserWindow::deleteSelected()
{
    std::vector<std::string> paths = selectedPaths();
    if (!currentCommands().remove || !confirmDelete(paths))
        return;
    deleting_ = true;
    watcher_->setIgnoreChanges(true);
    ensureTrash();
    std::vector<std::string> trashed;
    QStringList failures;
    for (const std::string& path : paths) {
        QString why;
        if (moveToTrash(path, why))
            trashed.push_back(path);
        else
            failures << tr("%1: %2").arg(displayText(lastComponent(path)), why);
    }
    rows_->removePaths(trashed);
    watcher_->setIgnoreChanges(false);
    deleting_ = false;
    if (!failures.isEmpty())
        QMessageBox::warning(this, tr("Varnix"), tr("Not moved to the trash:\n%1").arg(failures.join(QLatin1Char('\n'))));
}

bool LocalBrowserWindow::confirmDelete(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return false;
    QString question = paths.size() == 1
                           ? tr("Move \"%1\" to the trash?").arg(displayText(lastComponent(paths.front())))
                           : tr("Move these %1 items to the trash?").arg(paths.size());
    return QMessageBox::question(this, tr("Varnix"), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool LocalBrowserWindow::moveToTrash(const std::string& path, QString& why)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (file.moveToTrash())
        return true;
    why = file.errorString();
    return false;
}

void LocalBrowserWindow::renameSelected()
{
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!currentCommands().rename || selected.size() != 1)
        return;
    QModelIndex index = selected.front();
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    list_->edit(index);
}

// Called while the name's editor closes; a failure is told once it has.
bool LocalBrowserWindow::rename(const LocalItem& item, const std::string& newName)
{
    QString failure;
    if (std::string problem = nameProblem(newName); !problem.empty()) {
        failure = QString::fromStdString(problem);
    } else if (int error = renameEntry(item.path, joinPath(parentPath(item.path), newName)); error != 0) {
        failure = tr("Could not rename %1 to %2: %3.")
                      .arg(displayText(item.name), displayText(newName), errorText(error));
    }
    if (!failure.isEmpty())
        QTimer::singleShot(0, this, [this, failure] { QMessageBox::warning(this, tr("Varnix"), failure); });
    return failure.isEmpty();
}

void LocalBrowserWindow::refresh()
{
    if (!currentCommands().refresh)
        return;
    watcher_->refresh();
    updateCommands();
}

void LocalBrowserWindow::createFolder()
{
    if (!currentCommands().newFolder)
        return;
    std::string path = newFolderPath(currentFolder(), pathExists);
    int error = path.empty() ? EEXIST : makeFolder(path);
    if (error != 0) {
        QMessageBox box(QMessageBox::Warning, tr("Varnix"), tr("Failed to create new directory"), QMessageBox::Ok, this);
        box.setInformativeText(errorText(error));
        box.exec();
        return;
    }
    browsing_->expectNewFolder(path);
}

// A text that names no folder stays in the box for the person to put right.
void LocalBrowserWindow::typedFolder(const QString& text)
{
    std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    if (!browsing_->enterTyped(bytesOf(text), bytesOf(shownFolderText()), home)) {
        QMessageBox::warning(this, tr("Varnix"), tr("There is no folder \"%1\".").arg(text.trimmed()));
        return;
    }
    navigated();
}

void LocalBrowserWindow::sortClicked(int column)
{
    SortMode mode = rows_->sortMode().clicked(column);
    rows_->sortBy(mode);
    layout::showSortMode(*list_->header(), mode);
}

// --- drag and drop

std::unique_ptr<QMimeData> LocalBrowserWindow::dragData() const
{
    return localFilesData(selectedPaths());
}

Qt::DropActions LocalBrowserWindow::dragActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

Qt::DropAction LocalBrowserWindow::dropAction(const QMimeData& data, Qt::DropAction proposed) const
{
    return dropActionFor(planLocalDrop(dropDataOf(data)), proposed);
}

// Into the folder shown (the Desktop folder while the desktop itself is),
// once the drag has ended: the questions and the copy must not keep the
// program the drag came from waiting for the drop's answer.
void LocalBrowserWindow::drop(const QMimeData& data, Qt::DropAction action)
{
    QTimer::singleShot(0, this, [this, dropped = dropDataOf(data), move = action == Qt::MoveAction] {
        DropPlan plan = planLocalDrop(dropped);
        if (plan.kind == DropKind::Files)
            copyHere(plan.files);
        else
            downloadDropped(plan, folder(), move);
    });
}

void LocalBrowserWindow::copyHere(const std::vector<std::string>& files)
{
    DialogClashQuestion question(this);
    CopyPlan plan = planCopy(files, folder(), question);
    if (plan.cancelled || (plan.items.empty() && plan.refused.empty()))
        return;
    new CopyProgress(std::move(plan), this);
}

} // namespace varnix
