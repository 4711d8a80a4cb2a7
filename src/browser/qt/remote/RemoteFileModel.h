#pragma once
// The rows of a remote window's list: a table over the shown RemoteFolder,
// in the order the sort mode gives, without a copy of any entry, so that a
// folder of tens of thousands of entries fills the list at once. At most
// one row without an entry follows them: the new folder's, while its name
// is being typed.
//
// Label edits are never taken: the model reports the text and the row
// keeps its label until the server's new listing replaces the rows.

#include "browser/qt/ResortableTableModel.h"
#include "model/RemoteFolder.h"
#include "settings/ColumnLayout.h"
#include "site/SiteContext.h"

#include <QIcon>

#include <cstdint>
#include <vector>

namespace varnix {

class RemoteFileModel : public ResortableTableModel {
    Q_OBJECT
public:
    explicit RemoteFileModel(QObject* parent = nullptr);

    // The rows of `folder` (none for an empty handle), sorted.
    void setFolder(FolderHandle folder);
    const FolderHandle& folder() const { return folder_; }
    // Sorts again; selections and the current row follow their entries.
    void setSortMode(SortMode mode);
    SortMode sortMode() const { return mode_; }

    // The entry of a row; null for the new folder's row.
    const RemoteFile* entryAt(int row) const;
    bool isPlaceholder(int row) const { return placeholder_ && row == int(order_.size()); }
    bool hasPlaceholder() const { return placeholder_; }
    // Appends the "New Folder" row; returns its number.
    int addPlaceholder();
    void removePlaceholder();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // A label edit ended with `text`; `entry` is null for the new folder's row.
    void labelEdited(const varnix::RemoteFile* entry, const QString& text);

private:
    QVariant entryData(const RemoteFile& entry, int column, int role) const;
    QVariant placeholderData(int column, int role) const;

    FolderHandle folder_;
    SortMode mode_;
    std::vector<std::uint32_t> order_;  // row -> entry index
    bool placeholder_ = false;
    QString placeholderType_;
    QIcon placeholderIcon_;
};

} // namespace varnix
