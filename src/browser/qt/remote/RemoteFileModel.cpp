#include "browser/qt/remote/RemoteFileModel.h"

#include "browser/SizeText.h"
#include "browser/qt/DesktopFileTypes.h"
#include "browser/remote/RemoteSort.h"
#include "platform/qt/DisplayText.h"

namespace varnix {
namespace {

const char* const kNewFolder = "New Folder";

} // namespace

RemoteFileModel::RemoteFileModel(QObject* parent) : ResortableTableModel(parent) {}

void RemoteFileModel::setFolder(FolderHandle folder)
{
    beginResetModel();
    folder_ = std::move(folder);
    order_ = folder_ ? sortedOrder(*folder_, mode_) : std::vector<std::uint32_t>{};
    placeholder_ = false;
    endResetModel();
}

void RemoteFileModel::setSortMode(SortMode mode)
{
    if (mode.value() == mode_.value())
        return;
    mode_ = mode;
    std::vector<std::uint32_t> order = folder_ ? sortedOrder(*folder_, mode_) : std::vector<std::uint32_t>{};
    std::vector<int> rowOfEntry(order.size());
    for (std::size_t row = 0; row < order.size(); ++row)
        rowOfEntry[order[row]] = int(row);
    // The new folder's row stays last.
    reorderRows([&](int row) { return row < int(order_.size()) ? rowOfEntry[order_[std::size_t(row)]] : row; },
                [&] { order_ = std::move(order); });
}

const RemoteFile* RemoteFileModel::entryAt(int row) const
{
    if (!folder_ || row < 0 || row >= int(order_.size()))
        return nullptr;
    return &folder_->entry(order_[std::size_t(row)]);
}

int RemoteFileModel::addPlaceholder()
{
    const int row = int(order_.size());
    if (placeholder_)
        return row;
    if (placeholderType_.isEmpty()) {
        FileType type = DesktopFileTypes::instance().describe(kNewFolder, true, false);
        placeholderType_ = displayText(type.typeText.empty() ? "File" : type.typeText);
        placeholderIcon_ = DesktopFileTypes::instance().icon(type.iconIndex);
    }
    beginInsertRows({}, row, row);
    placeholder_ = true;
    endInsertRows();
    return row;
}

void RemoteFileModel::removePlaceholder()
{
    if (!placeholder_)
        return;
    const int row = int(order_.size());
    beginRemoveRows({}, row, row);
    placeholder_ = false;
    endRemoveRows();
}

int RemoteFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(order_.size()) + (placeholder_ ? 1 : 0);
}

QVariant RemoteFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (isPlaceholder(index.row()))
        return placeholderData(index.column(), role);
    const RemoteFile* entry = entryAt(index.row());
    return entry ? entryData(*entry, index.column(), role) : QVariant();
}

QVariant RemoteFileModel::entryData(const RemoteFile& entry, int column, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return alignment(column);
    if (role == Qt::DecorationRole && column == Name)
        return DesktopFileTypes::instance().icon(entry.iconIndex());
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (column) {
    case Name:
        return displayText(entry.name());
    case Size:
        return QString::fromStdString(kilobyteText(entry.size()));
    case Type:
        return displayText(entry.typeText());
    case Modified:
        return QString::fromStdString(entry.dateText());
    }
    return {};
}

QVariant RemoteFileModel::placeholderData(int column, int role) const
{
    if (column == Name && role == Qt::DecorationRole)
        return placeholderIcon_;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (column == Name)
        return QString::fromLatin1(kNewFolder);
    if (column == Type)
        return placeholderType_;
    return QString();
}

QVariant RemoteFileModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section >= 0 && section < ListColumns::kCount)
        return alignment(section);
    return ResortableTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RemoteFileModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = ResortableTableModel::flags(index);
    if (index.isValid() && index.column() == Name)
        flags |= Qt::ItemIsEditable;
    // The new folder's row has nothing on the server to drag yet.
    if (index.isValid() && entryAt(index.row()))
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

bool RemoteFileModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() != Name)
        return false;
    emit labelEdited(entryAt(index.row()), value.toString());
    return false;
}

} // namespace varnix
