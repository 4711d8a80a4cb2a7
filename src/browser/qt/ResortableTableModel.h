#pragma once
// A table model whose rows change their order in place, as the local and
// remote lists do when they are sorted again: one layout change in which
// the view's selection, current row and open editor follow their rows.

#include <QAbstractTableModel>

#include <functional>

namespace varnix {

class ResortableTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

protected:
    // `newRowOf` gives an old row's place in the new order, and is asked
    // while the old order still stands; `reorder` then puts the new order in
    // place. Neither may change the number of rows.
    void reorderRows(const std::function<int(int)>& newRowOf, const std::function<void()>& reorder);
};

} // namespace varnix
