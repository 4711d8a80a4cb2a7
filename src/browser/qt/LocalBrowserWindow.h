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

#include "browser/CRefreshThread.h"
#include "browser/LocalBrowsing.h"
#include "browser/LocalCommands.h"
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
class UploadTarget;

class LocalBrowserWindow : public LocalChildWindow, private FileListView::Handler {
    Q_OBJECT
public:
    // At `folder` (empty: the desktop), or without one where the window of
    // this section was when it closed last (the desktop when that is gone).
    explicit LocalBrowserWindow(Workspace& workspace, std::optional<std::string> folder = std::nullopt,
                                QWidget* parent = nullptr);
    ~LocalBrowserWindow() override;

    // Where downloads land; empty while the desktop itself is shown.
    std::string folder() const override;
    void activated() override;
    bool canRun(FrameCommand command) const override;
    void run(FrameCommand command) override;
    QList<QWidget*> focusPanes() const override;

    // What drag and drop and other windows build on.
    const std::string& currentFolder() const { return browsing_->current(); }
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

    void createActions();
    void createWidgets();
    std::string startFolder(std::optional<std::string> folder);
    void loadLayout();
    void saveLayout();
    void take(int what);
    void showTree();
    void showContents();
    void nameNewFolder(const std::string& path);
    void navigated();
    QString titleOf(const std::string& folder) const;
    // The path box's text for the current folder.
    QString shownFolderText() const;
    LocalCommands currentCommands() const;
    void updateCommands();
    UploadTarget* uploadTarget() const;

    void activateRows();
    void openSelected();
    void deleteSelected();
    bool confirmDelete(const std::vector<std::string>& paths);
    void renameSelected();
    bool rename(const LocalItem& item, const std::string& newName);
    void refresh();
    void goBack();
    void goUp();
    void createFolder();
    void typedFolder(const QString& text);
    void sortClicked(int column);

    // FileListView::Handler
    Qt::DropActions dragActions() const override;
    Qt::DropAction dropAction(const QMimeData& data, Qt::DropAction proposed) const override;
    void drop(const QMimeData& data, Qt::DropAction action) override;
    void copyHere(const std::vector<std::string>& files);

    std::unique_ptr<DesktopFolderReader> reader_;
    std::unique_ptr<CRefreshThread> watcher_;
    std::unique_ptr<LocalBrowsing> browsing_;
    std::unique_ptr<Actions> a_;
    LocalCommands commands_;
    FolderTree tree_;
    ContentsHandle contents_;
    LocalFolderBox* box_ = nullptr;
    FileListView* list_ = nullptr;
    LocalFileModel* rows_ = nullptr;
    QMenu* menu_ = nullptr;
    std::size_t selected_ = 0;
    bool deleting_ = false;
};

} // namespace varnix
