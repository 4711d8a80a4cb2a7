#include "browser/qt/remote/RemoteBrowserWindow.h"

#include "browser/dnd/Drops.h"
#include "browser/qt/DesktopFileTypes.h"
#include "browser/qt/FolderPathBox.h"
#include "browser/qt/dialogs/ConfirmActionDialog.h"
#include "browser/qt/dialogs/DeleteQuestion.h"
#include "browser/qt/dialogs/LoginPromptDialog.h"
#include "browser/qt/dialogs/PropertiesDialog.h"
#include "browser/qt/dialogs/RenameDialog.h"
#include "browser/qt/dnd/DragMimeData.h"
#include "browser/qt/remote/RemoteFileModel.h"
#include "platform/qt/DisplayText.h"
#include "settings/qt/WidgetLayout.h"

#include <QAbstractItemDelegate>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

// Resources of a static library are brought in by name, outside any namespace.
static void loadBrowserResources()
{
    Q_INIT_RESOURCE(remotewindow);
}

namespace varnix {
namespace {

// How often the Cancel button looks again whether the session still works.
constexpr int kBusyCheckMs = 250;
// How often rows moved away are looked at: their transfers may have completed.
constexpr int kMoveCheckMs = 250;

QIcon resourceIcon(const char* name)
{
    return QIcon(QStringLiteral(":/browser/icons/%1.png").arg(QLatin1String(name)));
}

} // namespace

struct RemoteBrowserWindow::DialogOpen {
    explicit DialogOpen(RemoteBrowserWindow& window) : count(window.dialogsOpen_) { ++count; }
    ~DialogOpen() { --count; }
    int& count;
};

RemoteBrowserWindow::RemoteBrowserWindow(Workspace& workspace, BrowserHost& host, SiteHandle site,
                                         std::string initialPath, QWidget* parent)
    : RemoteChildWindow(workspace, parent)
{
    loadBrowserResources();
    setObjectName(QStringLiteral("RemoteWindow"));
    RemoteView& view = *this;
    BrowserDialogs& dialogs = *this;
    browser_ = std::make_unique<RemoteBrowser>(std::move(site), std::move(initialPath), view, dialogs, host);
    model_ = new RemoteFileModel(this);
    busyCheck_ = new QTimer(this);
    busyCheck_->setSingleShot(true);
    busyCheck_->setInterval(kBusyCheckMs);
    connect(busyCheck_, &QTimer::timeout, this, &RemoteBrowserWindow::updateCommands);
    moveCheck_ = new QTimer(this);
    moveCheck_->setSingleShot(true);
    moveCheck_->setInterval(kMoveCheckMs);
    connect(moveCheck_, &QTimer::timeout, this, [this] { browser_->settleMoves(); });

    createActions();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(createTopRow());
    createList();
    column->addWidget(list_, 1);
    // Keys typed into a new window go to the list.
    setFocusProxy(list_);
    list_->setFocus();
    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    status_ = new QLabel(tr("Ready"), statusBar);
    status_->setAccessibleName(tr("Status"));
    statusBar->addWidget(status_, 1);
    column->addWidget(statusBar);
    createMenu();
    loadLayout();
    showCaption();
    updateCommands();
    browser_->open();
}

// The children go after this body: their last signals must not reach it.
RemoteBrowserWindow::~RemoteBrowserWindow()
{
    saveLayout();
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

// The tool tip is the menu text without its accelerators.
QAction* RemoteBrowserWindow::makeAction(RemoteCommand command, const QString& text, const char* icon)
{
    auto* action = new QAction(text, this);
    if (icon)
        action->setIcon(resourceIcon(icon));
    action->setToolTip(QString(text).remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0));
    connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
    actions_[command] = action;
    return action;
}

// Del, F2, F5 and Esc are shown beside the items; F2, F5 and Esc belong to
// the main frame, which passes them on to the active window, and Del and
// Backspace to the list.
void RemoteBrowserWindow::createActions()
{
    makeAction(RemoteCommand::Download, tr("Download"));
    makeAction(RemoteCommand::Queue, tr("Queue"));
    makeAction(RemoteCommand::Transfer, tr("Transfer"), "transfer");
    makeAction(RemoteCommand::Delete, tr("Delete\tDel"), "delete");
    makeAction(RemoteCommand::Rename, tr("Rename\tF2"));
    makeAction(RemoteCommand::Properties, tr("Properties"));
    makeAction(RemoteCommand::Refresh, tr("Refresh\tF5"), "refresh");
    makeAction(RemoteCommand::Cancel, tr("&Cancel\tEsc"), "cancel");
    makeAction(RemoteCommand::ReplicateView, tr("Replicate View"));
    makeAction(RemoteCommand::SiteSettings, tr("Site &Settings"), "site-settings");
    makeAction(RemoteCommand::Bookmark, tr("&Bookmark"), "bookmark");
    makeAction(RemoteCommand::LastFolder, tr("Go To Last Folder Visited"), "last-folder");
    makeAction(RemoteCommand::UpOneLevel, tr("Up One Level"), "up-one-level");
    makeAction(RemoteCommand::NewFolder, tr("Create New Folder"), "new-folder");
    // The keys of file managers; Backspace belongs to the list, where it
    // edits no text.
    const std::pair<RemoteCommand, QKeyCombination> keys[] = {
        {RemoteCommand::UpOneLevel, Qt::ALT | Qt::Key_Up},
        {RemoteCommand::LastFolder, Qt::ALT | Qt::Key_Left},
    };
    for (auto [command, key] : keys) {
        QAction* action = actions_.at(command);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
}

QWidget* RemoteBrowserWindow::createTopRow()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 2, 2, 2);
    toolBar_ = new QToolBar(row);
    toolBar_->setAccessibleName(tr("Toolbar"));
    toolBar_->setIconSize(QSize(24, 24));
    for (RemoteCommand command :
         {RemoteCommand::LastFolder, RemoteCommand::UpOneLevel, RemoteCommand::NewFolder, RemoteCommand::Delete,
          RemoteCommand::Transfer, RemoteCommand::Refresh, RemoteCommand::SiteSettings, RemoteCommand::Bookmark,
          RemoteCommand::Cancel}) {
        QAction* action = actions_.at(command);
        toolBar_->addAction(action);
        toolBar_->widgetForAction(action)->setAccessibleName(action->toolTip());
    }
    // In a narrow window the buttons that do not fit hide behind this one.
    if (auto* more = toolBar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(tr("More Tools"));
    layout->addWidget(toolBar_);

    pathBox_ = new FolderPathBox(row);
    connect(pathBox_, &FolderPathBox::folderPicked, this, &RemoteBrowserWindow::pathChosen);
    connect(pathBox_, &FolderPathBox::folderTyped, this, &RemoteBrowserWindow::pathEntered);
    layout->addWidget(pathBox_, 1);
    return row;
}

void RemoteBrowserWindow::createList()
{
    FileListView::Handler& drops = *this;
    list_ = new FileListView(drops, this);
    list_->setAccessibleName(tr("Files"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->installEventFilter(this);
    list_->setColumnWidths({220, 90, 150, 140});
    connect(list_->header(), &QHeaderView::sectionClicked, this, &RemoteBrowserWindow::sortBy);
    connect(list_, &QTreeView::activated, this, [this] { browser_->activate(selection()); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RemoteBrowserWindow::updateCommands);
    connect(model_, &RemoteFileModel::labelEdited, this, [this](const RemoteFile* entry, const QString& text) {
        browser_->finishEdit(entry, bytesOf(text, entry ? std::string_view(entry->name()) : std::string_view()));
    });
    // Connected after the view's own handler, so the editor is gone first.
    connect(list_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &RemoteBrowserWindow::editorClosed);
}

void RemoteBrowserWindow::createMenu()
{
    menu_ = new QMenu(this);
    menu_->setAccessibleName(tr("Files"));
    auto add = [this](std::initializer_list<RemoteCommand> commands) {
        if (!menu_->isEmpty())
            menu_->addSeparator();
        for (RemoteCommand command : commands)
            menu_->addAction(actions_.at(command));
    };
    add({RemoteCommand::Download, RemoteCommand::Queue});
    add({RemoteCommand::Delete, RemoteCommand::Rename, RemoteCommand::Properties});
    add({RemoteCommand::Refresh, RemoteCommand::Cancel});
    add({RemoteCommand::LastFolder, RemoteCommand::UpOneLevel, RemoteCommand::NewFolder});
    add({RemoteCommand::ReplicateView, RemoteCommand::SiteSettings, RemoteCommand::Bookmark});
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateCommands();
        menu_->popup(list_->viewport()->mapToGlobal(at));
    });
}

void RemoteBrowserWindow::loadLayout()
{
    SortMode mode = layout::loadSortMode(*list_->header(), workspace().profile(), section());
    model_->setSortMode(mode);
}

void RemoteBrowserWindow::saveLayout()
{
    layout::saveSortMode(*list_->header(), model_->sortMode(), workspace().profile(), section());
}

void RemoteBrowserWindow::showCaption()
{
    setWindowTitle(displayText(LockedAccess<SiteContext>(browser_->site())->identity()));
}

RowSelection RemoteBrowserWindow::selection() const
{
    RowSelection rows;
    rows.folder = model_->folder();
    QModelIndexList selected = list_->selectionModel()->selectedRows(RemoteFileModel::Name);
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    rows.entries.reserve(std::size_t(selected.size()));
    for (const QModelIndex& index : selected) {
        if (const RemoteFile* entry = model_->entryAt(index.row()))
            rows.entries.push_back(entry);
        else if (model_->isPlaceholder(index.row()))
            rows.placeholder = true;
    }
    return rows;
}

CFTPSession* RemoteBrowserWindow::handOver()
{
    CFTPSession* session = browser_->handOver();
    updateCommands();
    return session;
}

void RemoteBrowserWindow::adopt(CFTPSession* session)
{
    browser_->adopt(session);
    updateCommands();
}

void RemoteBrowserWindow::upload(const std::string& localPath, ConflictChoice& choice, bool startNow)
{
    browser_->upload(localPath, choice, startNow);
}

namespace {

RemoteCommand commandFor(FrameCommand command)
{
    switch (command) {
    case FrameCommand::Cancel:
        return RemoteCommand::Cancel;
    case FrameCommand::Rename:
        return RemoteCommand::Rename;
    case FrameCommand::Refresh:
        return RemoteCommand::Refresh;
    case FrameCommand::SiteSettings:
        return RemoteCommand::SiteSettings;
    case FrameCommand::Bookmark:
        return RemoteCommand::Bookmark;
    }
    return RemoteCommand::Refresh;
}

} // namespace

bool RemoteBrowserWindow::canRun(FrameCommand command) const
{
    return canRun(commandFor(command));
}

void RemoteBrowserWindow::run(FrameCommand command)
{
    runCommand(commandFor(command));
}

QList<QWidget*> RemoteBrowserWindow::focusPanes() const
{
    return {pathBox_, list_};
}

bool RemoteBrowserWindow::canRun(RemoteCommand command) const
{
    return browser_->canRun(command, selection());
}

void RemoteBrowserWindow::runCommand(RemoteCommand command)
{
    browser_->run(command, selection());
}

void RemoteBrowserWindow::updateCommands()
{
    const RowSelection rows = selection();
    for (auto& [command, action] : actions_)
        action->setEnabled(browser_->canRun(command, rows));
    // A session goes idle without a notice saying so.
    if (actions_.at(RemoteCommand::Cancel)->isEnabled())
        busyCheck_->start();
    if (browser_->movesPending() && !moveCheck_->isActive())
        moveCheck_->start();
    emit commandsChanged();
}

void RemoteBrowserWindow::sortBy(int column)
{
    SortMode mode = model_->sortMode().clicked(column);
    model_->setSortMode(mode);
    layout::showSortMode(*list_->header(), mode);
}

void RemoteBrowserWindow::pathChosen(int index)
{
    const std::string path = pathBox_->folderAt(index);
    pathBox_->setEditText(displayText(path));
    browser_->choosePath(path);
}

void RemoteBrowserWindow::pathEntered(const QString& text)
{
    browser_->enterPath(bytesOf(text, browser_->currentPath()));
}

// The new folder's row lasts as long as its editor, whatever the user typed.
void RemoteBrowserWindow::editorClosed()
{
    if (model_->hasPlaceholder())
        model_->removePlaceholder();
    updateCommands();
}

bool RemoteBrowserWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != list_ || event->type() != QEvent::KeyPress)
        return RemoteChildWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::NoModifier || (key->key() != Qt::Key_Delete && key->key() != Qt::Key_Backspace))
        return RemoteChildWindow::eventFilter(watched, event);
    runCommand(key->key() == Qt::Key_Delete ? RemoteCommand::Delete : RemoteCommand::UpOneLevel);
    return true;
}

void RemoteBrowserWindow::closeEvent(QCloseEvent* event)
{
    if (dialogsOpen_ > 0) {
        event->ignore();
        return;
    }
    RemoteChildWindow::closeEvent(event);
    if (event->isAccepted())
        browser_->withdrawFromDrags();
}

// --- drag and drop

std::unique_ptr<QMimeData> RemoteBrowserWindow::dragData() const
{
    return remoteRowsData(payloadOf(*browser_, selection()));
}

Qt::DropActions RemoteBrowserWindow::dragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropAction RemoteBrowserWindow::dropAction(const QMimeData& data, Qt::DropAction proposed) const
{
    return dropActionFor(planRemoteDrop(dropDataOf(data), *browser_), proposed);
}

// The transfers are made once the drag has ended: their questions must not
// keep the program the drag came from waiting for the drop's answer.
void RemoteBrowserWindow::drop(const QMimeData& data, Qt::DropAction action)
{
    QTimer::singleShot(0, this, [this, dropped = dropDataOf(data), move = action == Qt::MoveAction] {
        dropOnRemote(planRemoteDrop(dropped, *browser_), *browser_, move);
        updateCommands();
    });
}

// --- what the rules show

// A long failure is cut at the window's edge; its tooltip holds all of it.
void RemoteBrowserWindow::showStatus(const std::string& text)
{
    status_->setText(displayText(text));
    status_->setToolTip(status_->text());
}

void RemoteBrowserWindow::showListing(const FolderHandle& folder)
{
    model_->setFolder(folder);
}

void RemoteBrowserWindow::addPathItems(const std::vector<std::size_t>& places)
{
    const auto& known = browser_->folderPaths().items();
    const QSignalBlocker quiet(pathBox_);
    for (std::size_t place : places) {
        const RemotePathBox::Item& folder = known[place];
        pathBox_->insertFolder(int(place), DesktopFileTypes::instance().icon(DesktopFileTypes::kFolderIcon),
                               displayText(folder.label), folder.indent, folder.path);
        pathBox_->setItemData(int(place), displayText(folder.path), Qt::ToolTipRole);
    }
}

void RemoteBrowserWindow::showPath(const std::string& path)
{
    const std::optional<std::size_t> place = browser_->folderPaths().indexOf(path);
    const QSignalBlocker quiet(pathBox_);
    for (int row = 0; row < pathBox_->count(); ++row) {
        bool current = place && row == int(*place);
        pathBox_->setItemIcon(row, current ? DesktopFileTypes::instance().openFolderIcon()
                                           : DesktopFileTypes::instance().icon(DesktopFileTypes::kFolderIcon));
    }
    pathBox_->setCurrentIndex(place ? int(*place) : -1);
    pathBox_->setEditText(displayText(path));
    workspace().remoteFolderChanged(this);
}

void RemoteBrowserWindow::startRename()
{
    QModelIndexList selected = list_->selectionModel()->selectedRows(RemoteFileModel::Name);
    if (selected.isEmpty())
        return;
    const QModelIndex first =
        *std::min_element(selected.begin(), selected.end(),
                          [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    list_->setFocus();
    list_->scrollTo(first);
    list_->edit(first);
}

void RemoteBrowserWindow::startNewFolder()
{
    const QModelIndex index = model_->index(model_->addPlaceholder(), RemoteFileModel::Name);
    list_->setFocus();
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
    list_->edit(index);
}

void RemoteBrowserWindow::removePlaceholder()
{
    model_->removePlaceholder();
}

void RemoteBrowserWindow::refreshCommands()
{
    updateCommands();
}

// --- what the rules ask

bool RemoteBrowserWindow::confirm(ConflictChoice& choice, const std::string& destination)
{
    DialogOpen open(*this);
    return ConfirmActionDialog::ask(this, choice, destination);
}

std::optional<std::string> RemoteBrowserWindow::saveAs(const std::string& localPath)
{
    DialogOpen open(*this);
    // The transfer asks about an existing file itself.
    QString chosen = QFileDialog::getSaveFileName(this, tr("Save As"), displayText(localPath), tr("All Files (*)"),
                                                  nullptr,
                                                  QFileDialog::DontConfirmOverwrite | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return std::nullopt;
    return bytesOf(chosen, localPath);
}

std::optional<std::string> RemoteBrowserWindow::rename(const std::string& name)
{
    DialogOpen open(*this);
    return RenameDialog::ask(this, name);
}

std::optional<FileProperties> RemoteBrowserWindow::properties(const FileProperties& current)
{
    DialogOpen open(*this);
    return PropertiesDialog::ask(this, current);
}

bool RemoteBrowserWindow::confirmDelete(const std::string& question, bool& stopAsking)
{
    DialogOpen open(*this);
    return askDelete(this, displayText(question), stopAsking);
}

bool RemoteBrowserWindow::login(const SiteHandle& site, const std::string& message)
{
    DialogOpen open(*this);
    bool confirmed = DialogLoginPrompt([this] { return window(); }).ask(site, message);
    // The caption names the user, who may have changed.
    showCaption();
    return confirmed;
}

} // namespace varnix
