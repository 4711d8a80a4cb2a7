#pragma once
// The queue list's context menu: the transfer queue's commands, each
// enabled as the queue says when the menu opens. Delete in the list clears
// the selected items, as Clear Selected Items does.

#include <QMenu>

#include <functional>

namespace varnix {

class QueueList;
class TransferQueue;

class QueueMenu : public QMenu {
    Q_OBJECT
public:
    // `queue` gives the program's transfer queue, or none while there is none.
    QueueMenu(QueueList& list, std::function<TransferQueue*()> queue, QWidget* parent);

    void updateCommands();

private:
    QAction* onAll(const QString& text, void (TransferQueue::*command)());
    template <typename Selection>
    QAction* onSelected(const QString& text, void (TransferQueue::*command)(const Selection&));

    QueueList& list_;
    std::function<TransferQueue*()> queue_;
    QAction* clearCompleted_;
    QAction* clearSelected_;
    QAction* clearAll_;
    QAction* transferSelected_;
    QAction* transferQueued_;
    QAction* transferAll_;
    QAction* cancelSelected_;
    QAction* cancelAll_;
};

} // namespace varnix
