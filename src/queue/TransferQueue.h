#pragma once
// The transfer queue: every transfer the user starts, at once or for later,
// as an ordered list of items, and the scheduling of those items onto
// sessions.
//
// The queue is the notice target of every session it uses. It reuses
// connections by handing a finished item's sessions to the next queued item
// for the same pair of sites, borrows sessions from the remote windows and
// gives them back, retries failed transfers as the site's settings say, and
// offers the eight commands of the queue menu with their enabling rules.
//
// Everything here runs on the UI thread: the commands, and the notice
// handler, which the UI dispatcher runs there.

#include "platform/NoticeTarget.h"
#include "queue/QueueItem.h"
#include "site/SessionNotice.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace varnix {

class CFTPSession;
class LoginPrompt;
class QueueRows;
class RemoteWindows;

// Selected items in the view's order.
using QueueSelection = std::vector<QueueItemHandle>;

class TransferQueue : public NoticeReceiver {
public:
    // prompt may be null: a refused login then fails the item.
    TransferQueue(QueueRows& rows, RemoteWindows& windows, LoginPrompt* prompt);
    ~TransferQueue() override;
    TransferQueue(const TransferQueue&) = delete;
    TransferQueue& operator=(const TransferQueue&) = delete;

    NoticeTarget target() const { return target_; }
    const std::vector<QueueItemHandle>& items() const { return items_; }

    // Appends the item and its row ("Queued" or "Pending").
    void add(const QueueItemHandle& item);
    // Runs the item on the given sessions (borrowed from windows, already
    // started) or on sessions of its own where none is given.
    void start(const QueueItemHandle& item, CFTPSession* sessionA, CFTPSession* sessionB);
    // Stops what still runs of the item, then hands its sessions to the next
    // queued item of the same sites, or gives them back.
    void finish(const QueueItemHandle& item);
    // Starts the item again on its own sessions, after the retry delay when
    // `delayed`; resuming what was kept unless `resume` is false (the last
    // attempt's copy was found wrong).
    void retry(const QueueItemHandle& item, bool delayed, bool resume = true);

    // The queue menu.
    void clearCompleted();
    void clearSelected(const QueueSelection& selection);
    void clearAll();
    void transferSelected(const QueueSelection& selection);
    void transferQueued();
    void transferAll();
    void cancelSelected(const QueueSelection& selection);
    void cancelAll();

    bool canClearCompleted() const;
    bool canClearSelected(const QueueSelection& selection) const;
    bool canClearAll() const;
    bool canTransferSelected(const QueueSelection& selection) const;
    bool canTransferQueued() const;
    bool canTransferAll() const;
    bool canCancelSelected(const QueueSelection& selection) const;
    bool canCancelAll() const;

    // Session notices: always kept (666) and deleted here.
    std::intptr_t receiveMessage(unsigned message, void* param) override;

private:
    // What the queue knows of a session it uses. A session that has just
    // been cancelled may still report on the work it was doing; a one-second
    // sleep posted behind that work marks where its reports end, and until
    // the sleep begins everything it sends is dropped. "quiet" holds while
    // the session has reported the end of its last task.
    struct Worker {
        bool quiet = true;
        bool fenced = false;
    };

    void handle(const SessionNotice& notice);
    bool isStale(const SessionNotice& notice);
    QueueItemHandle itemOf(const CFTPSession* sender) const;
    bool holds(const QueueItemHandle& item, const CFTPSession* session) const;
    bool showsProgress(QueueItem& item, const CFTPSession* sender) const;
    void done(const QueueItemHandle& item, const CFTPSession* sender);
    void failed(const QueueItemHandle& item, const SessionNotice& notice);
    void aborted(const QueueItemHandle& item);
    void giveUp(const QueueItemHandle& item);
    bool askLogin(const QueueItemHandle& item, const SessionNotice& notice);
    bool allReported(const QueueItem& item) const;
    void end(const QueueItemHandle& item, bool settled);
    QueueItemHandle nextInChain(const QueueItemHandle& item) const;
    void handOver(const QueueItemHandle& from, const QueueItemHandle& to);
    void letGo(CFTPSession* session);

    void begin(const QueueItemHandle& item, CFTPSession* sessionA, CFTPSession* sessionB);
    CFTPSession* engage(CFTPSession* session, const SiteHandle& site);
    void post(const QueueItem& item);
    void fence(CFTPSession* session);
    void cancelAndFence(CFTPSession* session);
    void forgetUploadTarget(const QueueItem& item);

    bool contains(const QueueItemHandle& item) const;
    void remove(const std::vector<QueueItemHandle>& doomed);
    void startAnew(const std::vector<QueueItemHandle>& candidates);
    void cancel(const std::vector<QueueItemHandle>& candidates);

    QueueRows& rows_;
    RemoteWindows& windows_;
    LoginPrompt* prompt_;
    NoticeTarget target_;
    std::vector<QueueItemHandle> items_;
    std::unordered_map<const CFTPSession*, Worker> workers_;
};

} // namespace varnix
