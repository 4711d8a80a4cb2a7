#pragma once
// The table model under both file lists: the shared columns with their
// headings and alignment, and rows that change their order in place, as
// the local and remote lists do when they are sorted again: one layout
// change in which the view's selection, current row and open editor follow
// their rows.

#include "browser/ListColumns.h"

#include <QAbstractTableModel>

#include <functional>

namespace varnix {

class ResortableTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using enum ListColumns::Column;

    using QAbstractTableModel::QAbstractTableModel;

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    // Sizes line up on the right, the other columns on the left.
    static int alignment(int column);
    // `newRowOf` gives an old row's place in the new order, and is asked
    // while the old order still stands; `reorder` then puts the new order in
    // place. Neither may change the number of rows.
    void reorderRows(const std::function<int(int)>& newRowOf, const std::function<void()>& reorder);
};

} // namespace varnix
