#include "queue/qt/QueueMenu.h"

#include "queue/TransferQueue.h"
#include "queue/qt/QueueList.h"

#include <utility>

namespace varnix {

QueueMenu::QueueMenu(QueueList& list, std::function<TransferQueue*()> queue, QWidget* parent)
    : QMenu(parent), list_(list), queue_(std::move(queue))
{
    setAccessibleName(tr("Queue"));
    clearCompleted_ = onAll(tr("Clear Completed Items"), &TransferQueue::clearCompleted);
    clearSelected_ = onSelected(tr("Clear Selected Items\tDel"), &TransferQueue::clearSelected);
    clearAll_ = onAll(tr("Clear All Items"), &TransferQueue::clearAll);
    addSeparator();
    transferSelected_ = onSelected(tr("Transfer Selected Items"), &TransferQueue::transferSelected);
    transferQueued_ = onAll(tr("Transfer Queued Items"), &TransferQueue::transferQueued);
    transferAll_ = onAll(tr("Transfer All Items"), &TransferQueue::transferAll);
    addSeparator();
    cancelSelected_ = onSelected(tr("Cancel Selected Items"), &TransferQueue::cancelSelected);
    cancelAll_ = onAll(tr("Cancel All Items"), &TransferQueue::cancelAll);
    connect(&list_, &QueueList::menuRequested, this, [this](const QPoint& at) {
        updateCommands();
        popup(at);
    });
    connect(&list_, &QueueList::deletePressed, this, [this] {
        updateCommands();
        if (clearSelected_->isEnabled())
            clearSelected_->trigger();
    });
}

QAction* QueueMenu::onAll(const QString& text, void (TransferQueue::*command)())
{
    QAction* action = addAction(text);
    connect(action, &QAction::triggered, this, [this, command] {
        if (TransferQueue* queue = queue_())
            (queue->*command)();
    });
    return action;
}

template <typename Selection>
QAction* QueueMenu::onSelected(const QString& text, void (TransferQueue::*command)(const Selection&))
{
    QAction* action = addAction(text);
    connect(action, &QAction::triggered, this, [this, command] {
        if (TransferQueue* queue = queue_())
            (queue->*command)(list_.selectedItems());
    });
    return action;
}

void QueueMenu::updateCommands()
{
    TransferQueue* q = queue_();
    const QueueSelection selected = list_.selectedItems();
    clearCompleted_->setEnabled(q && q->canClearCompleted());
    clearSelected_->setEnabled(q && q->canClearSelected(selected));
    clearAll_->setEnabled(q && q->canClearAll());
    transferSelected_->setEnabled(q && q->canTransferSelected(selected));
    transferQueued_->setEnabled(q && q->canTransferQueued());
    transferAll_->setEnabled(q && q->canTransferAll());
    cancelSelected_->setEnabled(q && q->canCancelSelected(selected));
    cancelAll_->setEnabled(q && q->canCancelAll());
}

} // namespace varnix
