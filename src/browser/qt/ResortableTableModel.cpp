#include "browser/qt/ResortableTableModel.h"

namespace varnix {

int ResortableTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ListColumns::kCount;
}

QVariant ResortableTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ListColumns::kCount)
        return {};
    return tr(ListColumns::kHeadings[std::size_t(section)]);
}

int ResortableTableModel::alignment(int column)
{
    return int((column == Size ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void ResortableTableModel::reorderRows(const std::function<int(int)>& newRowOf, const std::function<void()>& reorder)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(createIndex(newRowOf(index.row()), index.column()));
    reorder();
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace varnix
