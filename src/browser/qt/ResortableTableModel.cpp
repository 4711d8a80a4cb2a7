#include "browser/qt/ResortableTableModel.h"

namespace varnix {

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
