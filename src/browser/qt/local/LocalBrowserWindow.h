#pragma once
// The local browser window: one folder of this computer, reached from the
// desktop's places, as a sortable list with a path box and six toolbar
// buttons. Its folder watcher reads folders and watches them on a thread of
// its own; the window only takes what the watcher built. Files go from here
// to the current remote window; downloads land in this window's folder
// while it is the current local window. Its sort mode, columns and folder
// are kept in its numbered section. Its rows drag out as file URLs, which
// remote windows upload and file managers copy; files dropped on it from a
// file manager or another local window are copied into its folder, and
// rows of a remote window downloaded there.

#include "browser/local/CRefreshThread.h"
#include "browser/local/LocalBrowser.h"
#include "browser/qt/ChildWindow.h"
#include "browser/qt/FileListView.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMimeData;
class QTreeView;
class QUrl;

namespace varnix {

class DesktopFolderReader;
class LocalFileModel;
class LocalFolderBox;

class LocalBrowserWindow : public LocalChildWindow, private LocalView, private FileListView::Handler {
    Q_OBJECT
public:
    // At `folder` (empty: the desktop), or without one where the window of
    // this section was when it closed last (the desktop when that is gone).
    explicit LocalBrowserWindow(Workspace& workspace, std::optional<std::string> folder = std::nullopt,
                                QWidget* parent = nullptr);
    ~LocalBrowserWindow() override;

    // Where downloads land: the folder shown, or the Desktop folder while
    // the desktop itself is.
    std::string folder() const override;
    void activated() override;
    bool canRun(FrameCommand command) const override;
    void run(FrameCommand command) override;
    QList<QWidget*> focusPanes() const override;

    // What drag and drop and other windows build on.
    const std::string& currentFolder() const { return browser_->currentFolder(); }
    // Full paths of the selected rows, top to bottom.
    std::vector<std::string> selectedPaths() const;
    void goTo(const std::string& folder);
    void upload(UploadKind kind);
    QTreeView& list() const { return *list_; }
    // What a drag of the selected rows carries: their file URLs.
    std::unique_ptr<QMimeData> dragData() const override;
    LocalFileModel& rows() const { return *rows_; }
    LocalFolderBox& folderBox() const { return *box_; }
    const LocalCommands& commands() const { return commands_; }
    LocalBrowser& browser() const { return *browser_; }

signals:
    // Replicate View: the frame opens another local window at `folder`.
    void replicateRequested(const std::string& folder);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The desktop's trash; false with the reason when the item stays.
    virtual bool moveToTrash(const std::string& path, QString& why);
    // The desktop's default application for a file or folder.
    virtual bool openExternally(const QUrl& url);

private:
    struct Actions;
    class Desktop;

    void createActions();
    void createWidgets();
    void loadLayout();
    void saveLayout();
    void updateCommands();
    std::vector<LocalItem> selectedItems() const;
    void renameSelected();
    void sortClicked(int column);

    // LocalView
    void showFolder() override;
    void showTree(const FolderTree& tree) override;
    void showContents(const FolderContents& contents) override;
    void removeRows(const std::vector<std::string>& paths) override;
    void editName(const std::string& path) override;
    void refreshCommands() override { updateCommands(); }

    // FileListView::Handler
    Qt::DropActions dragActions() const override;
    Qt::DropAction dropAction(const QMimeData& data, Qt::DropAction proposed) const override;
    void drop(const QMimeData& data, Qt::DropAction action) override;

    std::unique_ptr<DesktopFolderReader> reader_;
    std::unique_ptr<CRefreshThread> watcher_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<LocalBrowser> browser_;
    std::unique_ptr<Actions> a_;
    LocalCommands commands_;
    LocalFolderBox* box_ = nullptr;
    FileListView* list_ = nullptr;
    LocalFileModel* rows_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace varnix
