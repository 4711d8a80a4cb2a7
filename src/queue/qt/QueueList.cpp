#include "queue/qt/QueueList.h"

#include "queue/qt/QueueModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace varnix {
namespace {

// Numbers and statuses are read from their start: cut in the middle, a
// byte count reads as another number.
class EndElidingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

} // namespace

const std::array<QueueList::Column, 6>& QueueList::columns()
{
    static const std::array<Column, 6> all{{
        {"Status", 100, Qt::AlignLeft},
        {"Size", 100, Qt::AlignRight},
        {"Bandwidth", 75, Qt::AlignRight},
        {"Time", 50, Qt::AlignRight},
        {"Source", 250, Qt::AlignLeft},
        {"Destination", 250, Qt::AlignLeft},
    }};
    return all;
}

QueueList::QueueList(QWidget* parent) : QTreeView(parent), rows_(new QueueModel(this))
{
    setObjectName(QStringLiteral("QueueList"));
    setAccessibleName(tr("Queue"));
    setModel(rows_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    // Paths keep both ends: the site and the file name.
    setTextElideMode(Qt::ElideMiddle);
    auto* endEliding = new EndElidingDelegate(this);
    for (int column : {QueueModel::Status, QueueModel::Size, QueueModel::Bandwidth, QueueModel::Time})
        setItemDelegateForColumn(column, endEliding);
    header()->setSectionsMovable(true);
    // Rows have no tree, so the first column may move like the others.
    header()->setFirstSectionMovable(true);
    header()->setStretchLastSection(false);
    // The widths were chosen for a small 8-point font; a column is never
    // narrower than its usual texts in the desktop's font.
    const char* const samples[] = {"Failed: 550 No such file.", "16777216/16777216", "102400.00 KB/sec", "0:00:00",
                                   "", ""};
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    for (int i = 0; i < int(columns().size()); ++i) {
        int needed = fontMetrics().horizontalAdvance(QString::fromLatin1(samples[i])) + padding;
        if (i == QueueModel::Status)
            needed += iconSize().width() > 0 ? iconSize().width() : 16;
        header()->resizeSection(i, std::max(columns()[std::size_t(i)].width, needed));
    }
}

QueueSelection QueueList::selectedItems() const
{
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QueueSelection items;
    for (const QModelIndex& index : selected)
        items.push_back(rows_->itemAt(index.row()));
    return items;
}

void QueueList::contextMenuEvent(QContextMenuEvent* event)
{
    emit menuRequested(event->globalPos());
}

void QueueList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        emit deletePressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

} // namespace varnix
