#include "queue/qt/QueueModel.h"

#include "platform/qt/DisplayText.h"
#include "queue/qt/QueueImages.h"
#include "queue/qt/QueueList.h"

namespace varnix {

QueueModel::QueueModel(QObject* parent) : QAbstractTableModel(parent) {}

void QueueModel::addRow(const QueueItemHandle& item, const RowTexts& texts)
{
    const int row = int(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back({item, texts});
    endInsertRows();
}

void QueueModel::setStatus(const QueueItemHandle& item, const std::string& status)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    rows_[std::size_t(row)].texts.status = status;
    emit dataChanged(index(row, Status), index(row, Status));
}

void QueueModel::setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    RowTexts& texts = rows_[std::size_t(row)].texts;
    texts.status = failureStatus(status, failure);
    texts.failure = failureLine(failure);
    emit dataChanged(index(row, Status), index(row, Status));
    emit failureReported(displayText(failureNote(status, failure)));
}

void QueueModel::updateProgress(const QueueItemHandle& item, const RowUpdate& update)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    RowTexts& texts = rows_[std::size_t(row)].texts;
    texts.status = update.status.value_or(texts.status);
    texts.size = update.size.value_or(texts.size);
    texts.bandwidth = update.bandwidth.value_or(texts.bandwidth);
    texts.time = update.time.value_or(texts.time);
    texts.image = update.image.value_or(texts.image);
    emit dataChanged(index(row, Status), index(row, Time));
}

void QueueModel::removeRow(const QueueItemHandle& item)
{
    const int row = rowOf(item);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

int QueueModel::rowOf(const QueueItemHandle& item) const
{
    for (std::size_t row = 0; row < rows_.size(); ++row)
        if (rows_[row].item.sameAs(item))
            return int(row);
    return -1;
}

int QueueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int QueueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const std::string& QueueModel::text(const Row& row, int column) const
{
    switch (column) {
    case Status:
        return row.texts.status;
    case Size:
        return row.texts.size;
    case Bandwidth:
        return row.texts.bandwidth;
    case Time:
        return row.texts.time;
    case Source:
        return row.texts.source;
    default:
        return row.texts.destination;
    }
}

QVariant QueueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const Row& row = rows_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(text(row, index.column()));
    case Qt::ToolTipRole:
        return toolTip(row, index.column());
    case Qt::DecorationRole:
        return index.column() == Status ? QVariant(QueueImages::image(row.texts.image)) : QVariant();
    case Qt::TextAlignmentRole:
        return int(QueueList::columns()[std::size_t(index.column())].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

// The whole failure names the file a folder transfer failed on, which the
// status's reason leaves out.
QString QueueModel::toolTip(const Row& row, int column) const
{
    QString tip = displayText(text(row, column));
    if (!row.texts.failure.empty())
        tip += QLatin1Char('\n') + displayText(row.texts.failure);
    return tip;
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    const QueueList::Column& column = QueueList::columns()[std::size_t(section)];
    if (role == Qt::DisplayRole)
        return tr(column.heading);
    if (role == Qt::TextAlignmentRole)
        return int(column.alignment | Qt::AlignVCenter);
    return {};
}

} // namespace varnix
