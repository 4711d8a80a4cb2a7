#pragma once
// The rows of a local window's list: one per entry of the shown folder, in
// the order of the window's sort mode. New contents of the same folder are
// merged into the rows that are there (kept rows are updated, gone ones
// removed, new ones added and sorted in), so a selection survives and the
// list does not flicker; another folder's contents replace them.

#include "browser/local/LocalItem.h"
#include "browser/qt/ResortableTableModel.h"
#include "settings/ColumnLayout.h"

#include <QHash>
#include <QIcon>

#include <functional>
#include <string>
#include <vector>

namespace varnix {

class LocalFileModel : public ResortableTableModel {
    Q_OBJECT
public:
    // Renames an entry in the file system; true when it is done.
    using Renamer = std::function<bool(const LocalItem& item, const std::string& newName)>;

    explicit LocalFileModel(QObject* parent = nullptr);

    void show(const FolderContents& contents);
    const std::string& folder() const { return folder_; }
    bool shows(const std::string& folder) const { return showing_ && folder_ == folder; }
    void sortBy(SortMode mode);
    SortMode sortMode() const { return mode_; }
    const LocalItem& item(int row) const { return rows_[std::size_t(row)]; }
    int rowOf(const std::string& path) const;
    void removePaths(const std::vector<std::string>& paths);
    void setRenamer(Renamer renamer) { renamer_ = std::move(renamer); }
    // The theme's icon for an icon name, with a plain folder or file
    // picture when the theme has none.
    QIcon icon(const std::string& name, const std::string& fallback, bool folder) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A name edited in place renames the entry; its row keeps its place in
    // the selection under the new name.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    void replaceAll(const FolderContents& contents);
    void merge(const FolderContents& contents);
    void removeRows(const std::vector<bool>& gone);
    void sortRows();

    std::string folder_;
    bool showing_ = false;
    std::vector<LocalItem> rows_;
    SortMode mode_;
    Renamer renamer_;
    mutable QHash<QString, QIcon> icons_;
};

} // namespace varnix
