#include "browser/qt/FileListView.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QMimeData>
#include <QPainter>

namespace varnix {
namespace {

constexpr int kPictureSide = 32;

} // namespace

FileListView::FileListView(Handler& handler, QWidget* parent) : QTreeView(parent), handler_(handler)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
}

void FileListView::setColumnWidths(const std::array<int, ListColumns::kCount>& widths)
{
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    for (int column = 0; column < ListColumns::kCount; ++column)
        header()->resizeSection(column, widths[std::size_t(column)]);
}

// The window decides what goes; nothing is taken out of the list afterwards,
// whatever the drop did (a move takes rows away only once they have moved).
void FileListView::startDrag(Qt::DropActions)
{
    std::unique_ptr<QMimeData> data = handler_.dragData();
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    QPixmap picture = dragPicture();
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    drag->exec(handler_.dragActions(), Qt::CopyAction);
}

// The icon of the row the drag began on, with the number of rows beside
// it when there are several.
QPixmap FileListView::dragPicture() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {};
    QModelIndex first = currentIndex().isValid() ? currentIndex().siblingAtColumn(0) : rows.front();
    QPixmap picture = first.data(Qt::DecorationRole).value<QIcon>().pixmap(kPictureSide, kPictureSide);
    if (picture.isNull() || rows.size() < 2)
        return picture;
    QPixmap counted(kPictureSide * 2, kPictureSide);
    counted.fill(Qt::transparent);
    QPainter painter(&counted);
    painter.drawPixmap(0, 0, picture);
    painter.setPen(palette().color(QPalette::HighlightedText));
    painter.setBrush(palette().color(QPalette::Highlight));
    const QRect badge(kPictureSide - 4, kPictureSide / 2 - 2, kPictureSide, kPictureSide / 2);
    painter.drawRoundedRect(badge, 6, 6);
    painter.drawText(badge, Qt::AlignCenter, QString::number(rows.size()));
    return counted;
}

bool FileListView::answer(QDropEvent& event) const
{
    const QMimeData* data = event.mimeData();
    Qt::DropAction action = data ? handler_.dropAction(*data, event.proposedAction()) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || !(event.possibleActions() & action)) {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
        return false;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    answer(*event);
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    answer(*event);
}

void FileListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
}

void FileListView::dropEvent(QDropEvent* event)
{
    if (answer(*event))
        handler_.drop(*event->mimeData(), event->dropAction());
}

} // namespace varnix
