#include "browser/qt/local/LocalFileModel.h"

#include "browser/local/LocalPaths.h"
#include "browser/local/LocalSort.h"
#include "browser/local/LocalTexts.h"
#include "browser/qt/ThemeIcons.h"
#include "platform/qt/DisplayText.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace varnix {

LocalFileModel::LocalFileModel(QObject* parent) : ResortableTableModel(parent)
{
}

void LocalFileModel::show(const FolderContents& contents)
{
    if (!showing_ || contents.folder != folder_)
        replaceAll(contents);
    else
        merge(contents);
}

void LocalFileModel::replaceAll(const FolderContents& contents)
{
    beginResetModel();
    showing_ = true;
    folder_ = contents.folder;
    rows_ = contents.items;
    std::stable_sort(rows_.begin(), rows_.end(),
                     [this](const LocalItem& a, const LocalItem& b) { return listedBefore(a, b, mode_); });
    endResetModel();
}

void LocalFileModel::merge(const FolderContents& contents)
{
    std::unordered_map<std::string_view, const LocalItem*> fresh;
    for (const LocalItem& item : contents.items)
        fresh.emplace(item.path, &item);
    std::vector<bool> gone(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row)
        gone[row] = !fresh.contains(rows_[row].path);
    removeRows(gone);

    std::unordered_set<std::string_view> kept;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const LocalItem& now = *fresh.at(rows_[row].path);
        kept.insert(now.path);
        if (rows_[row] == now)
            continue;
        rows_[row] = now;
        emit dataChanged(index(int(row), 0), index(int(row), ListColumns::kCount - 1));
    }
    std::vector<LocalItem> added;
    for (const LocalItem& item : contents.items)
        if (!kept.contains(item.path))
            added.push_back(item);
    if (!added.empty()) {
        beginInsertRows({}, int(rows_.size()), int(rows_.size() + added.size()) - 1);
        rows_.insert(rows_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
        endInsertRows();
    }
    sortRows();
}

// From the bottom, one signal per run of neighbouring rows.
void LocalFileModel::removeRows(const std::vector<bool>& gone)
{
    for (int last = int(gone.size()) - 1; last >= 0; --last) {
        if (!gone[std::size_t(last)])
            continue;
        int first = last;
        while (first > 0 && gone[std::size_t(first) - 1])
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        endRemoveRows();
        last = first;
    }
}

void LocalFileModel::removePaths(const std::vector<std::string>& paths)
{
    std::unordered_set<std::string_view> doomed(paths.begin(), paths.end());
    std::vector<bool> gone(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row)
        gone[row] = doomed.contains(rows_[row].path);
    removeRows(gone);
}

void LocalFileModel::sortBy(SortMode mode)
{
    mode_ = mode;
    sortRows();
}

void LocalFileModel::sortRows()
{
    std::vector<int> order(rows_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return listedBefore(rows_[std::size_t(a)], rows_[std::size_t(b)], mode_);
    });
    if (std::is_sorted(order.begin(), order.end()))
        return;
    std::vector<int> placeOf(rows_.size());
    for (std::size_t place = 0; place < order.size(); ++place)
        placeOf[std::size_t(order[place])] = int(place);
    reorderRows([&](int row) { return placeOf[std::size_t(row)]; },
                [&] {
                    std::vector<LocalItem> sorted;
                    sorted.reserve(rows_.size());
                    for (int row : order)
                        sorted.push_back(std::move(rows_[std::size_t(row)]));
                    rows_ = std::move(sorted);
                });
}

int LocalFileModel::rowOf(const std::string& path) const
{
    auto found = std::find_if(rows_.begin(), rows_.end(), [&](const LocalItem& item) { return item.path == path; });
    return found == rows_.end() ? -1 : int(found - rows_.begin());
}

QIcon LocalFileModel::icon(const std::string& name, const std::string& fallback, bool folder) const
{
    QString key = QString::fromStdString(name + '\n' + fallback);
    auto cached = icons_.constFind(key);
    if (cached != icons_.constEnd())
        return *cached;
    QIcon found = themeIcon(QString::fromStdString(name), QString::fromStdString(fallback), folder);
    icons_.insert(key, found);
    return found;
}

int LocalFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant LocalFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const LocalItem& row = rows_[std::size_t(index.row())];
    if (role == Qt::DisplayRole || (role == Qt::EditRole && index.column() == Name)) {
        switch (index.column()) {
        case Name:
            return displayText(row.name);
        case Size:
            return QString::fromStdString(sizeColumnText(row));
        case Type:
            return displayText(row.typeName);
        case Modified:
            return QString::fromStdString(modifiedColumnText(row));
        }
    }
    if (role == Qt::DecorationRole && index.column() == Name)
        return icon(row.iconName, row.fallbackIconName, row.isFolder);
    if (role == Qt::TextAlignmentRole)
        return alignment(index.column());
    return {};
}

Qt::ItemFlags LocalFileModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = ResortableTableModel::flags(index);
    // The desktop's places keep their names.
    if (index.isValid() && index.column() == Name && !folder_.empty())
        flags |= Qt::ItemIsEditable;
    if (index.isValid())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

bool LocalFileModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() != Name || !renamer_)
        return false;
    LocalItem& row = rows_[std::size_t(index.row())];
    std::string name = bytesOf(value.toString(), row.name);
    if (name == row.name || !renamer_(row, name))
        return false;
    row.path = joinPath(parentPath(row.path), name);
    row.name = std::move(name);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ListColumns::kCount - 1));
    sortRows();
    return true;
}

} // namespace varnix
