#pragma once
// The remote browser window: one folder of one FTP site as a file list,
// with its toolbar, path box and status line. Captioned with the site's
// identity ("user@host:port").
//
// The widgets only show and ask: what a command does, when it may run and
// what a session's notice changes is decided by its RemoteBrowser. The
// window keeps its columns and sort order in its numbered layout section,
// lends its session to the transfer queue, and takes local uploads while it
// is the current remote window. Its rows drag into local windows (a
// download) and other remote windows (a site-to-site copy); it takes local
// files dropped on it (an upload) and rows of other remote windows.

#include "browser/UploadTarget.h"
#include "browser/qt/ChildWindow.h"
#include "browser/qt/FileListView.h"
#include "browser/remote/RemoteBrowser.h"

#include <QPointer>

#include <map>
#include <memory>

class QAction;
class QLabel;
class QMimeData;
class QMenu;
class QTimer;
class QToolBar;
class QTreeView;

namespace varnix {

class FolderPathBox;
class RemoteFileModel;

class RemoteBrowserWindow : public RemoteChildWindow,
                            public UploadTarget,
                            private RemoteView,
                            private BrowserDialogs,
                            private FileListView::Handler {
    Q_OBJECT
public:
    // Shows the window's first folder as soon as the session lists it.
    RemoteBrowserWindow(Workspace& workspace, BrowserHost& host, SiteHandle site, std::string initialPath,
                        QWidget* parent = nullptr);
    // Saves the layout; the session is released.
    ~RemoteBrowserWindow() override;

    RemoteBrowser& browser() { return *browser_; }
    const RemoteBrowser& browser() const { return *browser_; }
    RemoteFileModel& files() const { return *model_; }
    QTreeView& fileList() const { return *list_; }
    // The selected rows, ascending.
    RowSelection selection() const;

    // The transfer queue's view of the window.
    const SiteHandle& site() const override { return browser_->site(); }
    bool hasSession() const override { return browser_->hasSession(); }
    CFTPSession* handOver() override;
    void adopt(CFTPSession* session) override;

    // Local windows upload here while this is the current remote window.
    bool canUpload() const override { return !browser_->currentPath().empty(); }
    bool transferNow() const override { return browser_->transferNow(); }
    void upload(const std::string& localPath, ConflictChoice& choice, bool startNow) override;

    bool canRun(FrameCommand command) const override;
    void run(FrameCommand command) override;
    QList<QWidget*> focusPanes() const override;
    // Whether a command of the window's own menus and toolbar may run now.
    bool canRun(RemoteCommand command) const;

    // What a drag of the selected rows carries: none without an entry among them.
    std::unique_ptr<QMimeData> dragData() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(RemoteCommand command, const QString& text, const char* icon = nullptr);
    void createActions();
    QWidget* createTopRow();
    void createList();
    void createMenu();
    void loadLayout();
    void saveLayout();
    void runCommand(RemoteCommand command);
    void updateCommands();
    void sortBy(int column);
    void pathChosen(int index);
    void pathEntered(const QString& text);
    void editorClosed();
    void showCaption();

    // RemoteView
    void showStatus(const std::string& text) override;
    void showListing(const FolderHandle& folder) override;
    void addPathItems(const std::vector<std::size_t>& places) override;
    void showPath(const std::string& path) override;
    void startRename() override;
    void startNewFolder() override;
    void removePlaceholder() override;
    void refreshCommands() override;

    // FileListView::Handler
    Qt::DropActions dragActions() const override;
    Qt::DropAction dropAction(const QMimeData& data, Qt::DropAction proposed) const override;
    void drop(const QMimeData& data, Qt::DropAction action) override;

    // BrowserDialogs
    bool confirm(ConflictChoice& choice, const std::string& destination) override;
    std::optional<std::string> saveAs(const std::string& localPath) override;
    std::optional<std::string> rename(const std::string& name) override;
    std::optional<FileProperties> properties(const FileProperties& current) override;
    bool confirmDelete(const std::string& question, bool& stopAsking) override;
    bool login(const SiteHandle& site, const std::string& message) override;

    // While a dialog is open the window stays: a command or a notice
    // handler is waiting for the answer.
    struct DialogOpen;
    int dialogsOpen_ = 0;

    std::unique_ptr<RemoteBrowser> browser_;
    RemoteFileModel* model_ = nullptr;
    FileListView* list_ = nullptr;
    FolderPathBox* pathBox_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* menu_ = nullptr;
    QTimer* busyCheck_ = nullptr;
    QTimer* moveCheck_ = nullptr;
    std::map<RemoteCommand, QAction*> actions_;
};

} // namespace varnix
