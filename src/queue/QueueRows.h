#pragma once
// What the transfer queue shows: one row per item. The queue view implements
// it; rows are found by their item, not by their place in the list.

#include "queue/QueueItem.h"
#include "queue/RowTexts.h"

#include <string>

namespace varnix {

class QueueRows {
public:
    virtual ~QueueRows() = default;
    // Appends a row at the end.
    virtual void addRow(const QueueItemHandle& item, const RowTexts& texts) = 0;
    virtual void setStatus(const QueueItemHandle& item, const std::string& status) = 0;
    // An attempt failed: status is "Retry" or "Failed", failure the worker's
    // whole text. The row keeps the failure until it is removed.
    virtual void setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure) = 0;
    // Status, size, bandwidth, time and image; members left empty keep their texts.
    virtual void updateProgress(const QueueItemHandle& item, const RowUpdate& update) = 0;
    virtual void removeRow(const QueueItemHandle& item) = 0;
};

} // namespace varnix
