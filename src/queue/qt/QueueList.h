#pragma once
// The list inside the "Queue" bar: one row per transfer, six columns whose
// order and widths the main frame keeps. Headings do not sort; they can be
// dragged to reorder the columns. Its context menu and the Delete key are
// the main frame's to answer, which passes them on to the transfer queue.

#include "queue/TransferQueue.h"

#include <QTreeView>

#include <array>

namespace varnix {

class QueueModel;

class QueueList : public QTreeView {
    Q_OBJECT
public:
    explicit QueueList(QWidget* parent = nullptr);

    struct Column {
        const char* heading;
        int width;
        Qt::Alignment alignment;
    };
    static const std::array<Column, 6>& columns();

    // The rows the transfer queue shows its items in.
    QueueModel& rows() const { return *rows_; }
    // The selected rows' items, first to last.
    QueueSelection selectedItems() const;

signals:
    void menuRequested(const QPoint& globalPosition);
    void deletePressed();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QueueModel* rows_;
};

} // namespace varnix
