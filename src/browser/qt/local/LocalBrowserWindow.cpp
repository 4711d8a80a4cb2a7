#include "browser/qt/local/LocalBrowserWindow.h"

#include "browser/dnd/Drops.h"
#include "browser/local/LocalCopy.h"
#include "browser/qt/dialogs/ClashDialog.h"
#include "browser/qt/dnd/DragMimeData.h"
#include "browser/qt/local/CopyProgress.h"
#include "browser/qt/local/DesktopFolderReader.h"
#include "browser/qt/local/LocalFileModel.h"
#include "browser/qt/local/LocalFolderBox.h"
#include "platform/Profile.h"
#include "platform/qt/DisplayText.h"
#include "settings/qt/WidgetLayout.h"

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

QString pathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string pathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
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

// The desktop and the person as the window's rules reach them.
class LocalBrowserWindow::Desktop : public LocalDesktop {
public:
    explicit Desktop(LocalBrowserWindow& window) : window_(window), clashes_(&window) {}

    void warn(const LocalMessage& message) override
    {
        QPointer<QWidget> parent = &window_;
        auto show = [parent, message] {
            QMessageBox box(QMessageBox::Warning, tr("Varnix"), displayText(message.text), QMessageBox::Ok, parent);
            if (!message.detail.empty())
                box.setInformativeText(displayText(message.detail));
            box.exec();
        };
        if (message.afterEvent)
            QTimer::singleShot(0, &window_, show);
        else
            show();
    }
    bool confirm(const std::string& question) override
    {
        return QMessageBox::question(&window_, tr("Varnix"), displayText(question), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    }
    bool moveToTrash(const std::string& path, std::string& why) override
    {
        ensureTrash();
        QString reason;
        bool moved = window_.moveToTrash(path, reason);
        why = bytesOf(reason);
        return moved;
    }
    bool openExternally(const std::string& path) override
    {
        return window_.openExternally(QUrl::fromLocalFile(pathText(path)));
    }
    std::string homeFolder() override { return pathBytes(QDir::homePath()); }
    std::string desktopFolder() override
    {
        return pathBytes(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    }
    ClashQuestion& clashQuestion() override { return clashes_; }
    void copy(CopyPlan plan) override { new CopyProgress(std::move(plan), &window_); }

private:
    static QString tr(const char* text) { return LocalBrowserWindow::tr(text); }

    LocalBrowserWindow& window_;
    DialogClashQuestion clashes_;
};

LocalBrowserWindow::LocalBrowserWindow(Workspace& workspace, std::optional<std::string> folder, QWidget* parent)
    : LocalChildWindow(workspace, parent),
      reader_(std::make_unique<DesktopFolderReader>()),
      desktop_(std::make_unique<Desktop>(*this)),
      a_(std::make_unique<Actions>())
{
    static const bool registered = (registerLocalWindowResources(), true);
    (void)registered;
    setObjectName(QStringLiteral("LocalWindow"));
    watcher_ = std::make_unique<CRefreshThread>(
        *reader_,
        [this](std::function<void()> call) { QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection); },
        [this](int what) { browser_->take(what); });
    createActions();
    createWidgets();
    loadLayout();
    std::string start =
        LocalBrowser::startFolder(folder, workspace.profile().readString(section(), kFolderValue, ""));
    LocalView& view = *this;
    browser_ = std::make_unique<LocalBrowser>(*watcher_, view, *desktop_, workspace, start);
    watcher_->start(start);
    showFolder();
    updateCommands();
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
    auto trash = [this] { browser_->trash(selectedPaths()); };
    auto up = [this] { browser_->goUp(); };
    a.upload = make(tr("Upload"), [this] { upload(UploadKind::Upload); });
    a.queue = make(tr("Queue"), [this] { upload(UploadKind::Queue); });
    a.transfer = make(tr("Transfer"), [this] { upload(UploadKind::Transfer); });
    a.open = make(tr("Open"), [this] { browser_->open(selectedPaths()); });
    a.remove = make(tr("Delete\tDel"), trash);
    a.rename = make(tr("Rename\tF2"), &LocalBrowserWindow::renameSelected);
    a.refresh = make(tr("Refresh\tF5"), [this] { browser_->refresh(); });
    a.replicate = make(tr("Replicate View"), [this] { emit replicateRequested(currentFolder()); });
    a.back = make(tr("Go To Last Folder Visited"), [this] { browser_->goBack(); });
    a.up = make(tr("Up One Level"), up);
    a.newFolder = make(tr("Create New Folder"), [this] { browser_->createFolder(); });
    a.deleteKey = make(tr("Delete"), trash);
    a.deleteKey->setShortcut(QKeySequence::Delete);
    a.deleteKey->setShortcutContext(Qt::WidgetShortcut);
    a.upKey = make(tr("Up One Level"), up);
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
    rows_->setRenamer([this](const LocalItem& item, const std::string& name) { return browser_->rename(item, name); });
    list_->setModel(rows_);
    column->addWidget(list_, 1);

    connect(list_, &QAbstractItemView::activated, this, [this] { browser_->activate(selectedItems()); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { browser_->selectionChanged(std::size_t(list_->selectionModel()->selectedRows().size())); });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &LocalBrowserWindow::sortClicked);
    connect(box_, &LocalFolderBox::folderChosen, this, &LocalBrowserWindow::goTo);
    connect(box_, &LocalFolderBox::folderTyped, this,
            [this](const QString& text) { browser_->enterTyped(bytesOf(text)); });
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
    return browser_->targetFolder();
}

void LocalBrowserWindow::activated()
{
    LocalChildWindow::activated();
    updateCommands();
}

bool LocalBrowserWindow::canRun(FrameCommand command) const
{
    LocalCommands now = browser_->commands();
    return (command == FrameCommand::Rename && now.rename) || (command == FrameCommand::Refresh && now.refresh);
}

void LocalBrowserWindow::run(FrameCommand command)
{
    if (command == FrameCommand::Rename)
        renameSelected();
    else if (command == FrameCommand::Refresh)
        browser_->refresh();
}

QList<QWidget*> LocalBrowserWindow::focusPanes() const
{
    return {box_, list_};
}

// --- what the rules show

void LocalBrowserWindow::showFolder()
{
    setWindowTitle(displayText(browser_->title()));
    box_->showFolder(displayText(browser_->shownText()));
}

void LocalBrowserWindow::showTree(const FolderTree& tree)
{
    box_->showTree(tree, [this](const std::string& icon) { return rows_->icon(icon, "folder", true); });
    setWindowTitle(displayText(browser_->title()));
}

void LocalBrowserWindow::showContents(const FolderContents& contents)
{
    rows_->show(contents);
}

void LocalBrowserWindow::removeRows(const std::vector<std::string>& paths)
{
    rows_->removePaths(paths);
}

void LocalBrowserWindow::editName(const std::string& path)
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

void LocalBrowserWindow::updateCommands()
{
    if (!browser_)
        return;
    LocalCommands now = browser_->commands();
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

// --- what the person does

std::vector<std::string> LocalBrowserWindow::selectedPaths() const
{
    std::vector<std::string> paths;
    for (const LocalItem& item : selectedItems())
        paths.push_back(item.path);
    return paths;
}

std::vector<LocalItem> LocalBrowserWindow::selectedItems() const
{
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<LocalItem> items;
    for (const QModelIndex& index : selected)
        items.push_back(rows_->item(index.row()));
    return items;
}

void LocalBrowserWindow::goTo(const std::string& folder)
{
    browser_->goTo(folder);
}

void LocalBrowserWindow::upload(UploadKind kind)
{
    browser_->upload(kind, selectedPaths());
}

bool LocalBrowserWindow::openExternally(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool LocalBrowserWindow::moveToTrash(const std::string& path, QString& why)
{
    QFile file(pathText(path));
    if (file.moveToTrash())
        return true;
    why = file.errorString();
    return false;
}

void LocalBrowserWindow::renameSelected()
{
    QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!browser_->commands().rename || selected.size() != 1)
        return;
    QModelIndex index = selected.front();
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    list_->edit(index);
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

// Once the drag has ended: the questions and the copy must not keep the
// program the drag came from waiting for the drop's answer.
void LocalBrowserWindow::drop(const QMimeData& data, Qt::DropAction action)
{
    QTimer::singleShot(0, this, [this, dropped = dropDataOf(data), move = action == Qt::MoveAction] {
        browser_->drop(dropped, move);
    });
}

} // namespace varnix
