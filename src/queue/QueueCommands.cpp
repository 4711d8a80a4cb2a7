// The eight commands of the queue menu and when each is offered.

#include "queue/QueueRows.h"
#include "queue/RemoteWindows.h"
#include "queue/TransferQueue.h"

#include <algorithm>
#include <utility>

namespace varnix {
namespace {

template <class Pred>
bool any(const std::vector<QueueItemHandle>& items, Pred pred)
{
    return std::any_of(items.begin(), items.end(), [&](const QueueItemHandle& item) { return pred(*item); });
}

struct SitePair {
    SiteHandle a, b;
    bool matches(const QueueItem& item) const { return a.sameAs(item.siteA) && b.sameAs(item.siteB); }
};

} // namespace

bool TransferQueue::contains(const QueueItemHandle& item) const
{
    return std::any_of(items_.begin(), items_.end(), [&](const QueueItemHandle& h) { return h.sameAs(item); });
}

void TransferQueue::clearCompleted()
{
    std::vector<QueueItemHandle> doomed;
    std::copy_if(items_.begin(), items_.end(), std::back_inserter(doomed),
                 [](const QueueItemHandle& item) { return item->complete(); });
    remove(doomed);
}

void TransferQueue::clearSelected(const QueueSelection& selection)
{
    remove(selection);
}

void TransferQueue::clearAll()
{
    remove(std::vector<QueueItemHandle>(items_));
}

void TransferQueue::remove(const std::vector<QueueItemHandle>& doomed)
{
    // What is about to go is not started on the way by a hand-over.
    for (const QueueItemHandle& item : doomed)
        if (!item->running())
            item->queued = false;
    for (const QueueItemHandle& item : doomed) {
        if (!contains(item))
            continue;
        end(item, false);
        rows_.removeRow(item);
        std::erase_if(items_, [&](const QueueItemHandle& h) { return h.sameAs(item); });
    }
}

void TransferQueue::transferSelected(const QueueSelection& selection)
{
    startAnew(selection);
}

void TransferQueue::transferAll()
{
    startAnew(std::vector<QueueItemHandle>(items_));
}

// Each item on sessions of its own, so they run side by side.
void TransferQueue::startAnew(const std::vector<QueueItemHandle>& candidates)
{
    for (const QueueItemHandle& item : candidates) {
        if (!contains(item) || item->running())
            continue;
        item->queued = false;
        start(item, nullptr, nullptr);
    }
}

// One queued transfer per pair of sites at a time; hand-over runs the rest
// one after another on the same sessions. A pair whose chain is already
// running gets no second one.
void TransferQueue::transferQueued()
{
    std::vector<SitePair> started;
    auto isStarted = [&](const QueueItem& item) {
        return std::any_of(started.begin(), started.end(), [&](const SitePair& p) { return p.matches(item); });
    };
    for (const QueueItemHandle& item : items_)
        if (item->queued && item->running())
            started.push_back({item->siteA, item->siteB});
    for (const QueueItemHandle& item : std::vector<QueueItemHandle>(items_)) {
        if (!item->queued || !item->waiting() || isStarted(*item))
            continue;
        started.push_back({item->siteA, item->siteB});
        CFTPSession* b = item->siteToSite ? windows_.acquire(item->siteB) : nullptr;
        CFTPSession* a = windows_.acquire(item->siteA);
        start(item, a, b);
        rows_.setStatus(item, "Pending");
    }
}

void TransferQueue::cancelSelected(const QueueSelection& selection)
{
    cancel(selection);
}

void TransferQueue::cancelAll()
{
    cancel(std::vector<QueueItemHandle>(items_));
}

// Finished here rather than on the sessions' abort reports: a session that
// is counting down to a retry has no task to abort and would never report.
void TransferQueue::cancel(const std::vector<QueueItemHandle>& candidates)
{
    std::vector<QueueItemHandle> running;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(running),
                 [&](const QueueItemHandle& item) { return contains(item) && item->running(); });
    for (const QueueItemHandle& item : running) {
        rows_.setStatus(item, "Canceled");
        end(item, false);
    }
}

bool TransferQueue::canClearCompleted() const
{
    return any(items_, [](const QueueItem& item) { return item.complete(); });
}

bool TransferQueue::canClearSelected(const QueueSelection& selection) const
{
    return !selection.empty();
}

bool TransferQueue::canClearAll() const
{
    return !items_.empty();
}

bool TransferQueue::canTransferSelected(const QueueSelection& selection) const
{
    return any(selection, [](const QueueItem& item) { return !item.running(); });
}

bool TransferQueue::canTransferQueued() const
{
    return any(items_, [](const QueueItem& item) { return item.queued && item.waiting(); });
}

bool TransferQueue::canTransferAll() const
{
    return any(items_, [](const QueueItem& item) { return item.waiting(); });
}

bool TransferQueue::canCancelSelected(const QueueSelection& selection) const
{
    return any(selection, [](const QueueItem& item) { return item.queued || item.running(); });
}

bool TransferQueue::canCancelAll() const
{
    return any(items_, [](const QueueItem& item) { return item.queued || item.running(); });
}

} // namespace varnix
