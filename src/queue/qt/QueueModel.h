#pragma once
// The transfer queue's rows as a table: one row per item, in the order the
// queue added them, each holding the texts the queue last gave it. A
// progress report repaints its own row and nothing else.

#include "queue/QueueRows.h"
#include "queue/TransferQueue.h"

#include <QAbstractTableModel>

#include <vector>

namespace varnix {

class QueueModel : public QAbstractTableModel, public QueueRows {
    Q_OBJECT
public:
    enum Column { Status, Size, Bandwidth, Time, Source, Destination, ColumnCount };

    explicit QueueModel(QObject* parent = nullptr);

    void addRow(const QueueItemHandle& item, const RowTexts& texts) override;
    void setStatus(const QueueItemHandle& item, const std::string& status) override;
    // Shows the reason after the status and in the row's tooltip, and tells
    // the window's status bar.
    void setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure) override;
    void updateProgress(const QueueItemHandle& item, const RowUpdate& update) override;
    void removeRow(const QueueItemHandle& item) override;

    // -1 when the item has no row.
    int rowOf(const QueueItemHandle& item) const;
    const QueueItemHandle& itemAt(int row) const { return rows_[std::size_t(row)].item; }
    const RowTexts& textsAt(int row) const { return rows_[std::size_t(row)].texts; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The line for the status bar of the window that shows the queue.
    void failureReported(const QString& note);

private:
    struct Row {
        QueueItemHandle item;
        RowTexts texts;
    };
    const std::string& text(const Row& row, int column) const;
    QString toolTip(const Row& row, int column) const;

    std::vector<Row> rows_;
};

} // namespace varnix
