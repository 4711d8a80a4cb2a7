#pragma once
// A session's link to the rest of the program: the target that receives its
// notices, the queue of waiting tasks and the protocol log.

#include "platform/NoticeTarget.h"
#include "site/SessionNotice.h"
#include "site/TaskQueue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace varnix {

class SessionMailbox {
public:
    explicit SessionMailbox(CFTPSession* sender = nullptr) : sender_(sender) {}

    void setTarget(NoticeTarget target) { target_.store(target); }
    NoticeTarget target() const { return target_.load(); }
    CFTPSession* sender() const { return sender_; }

    // Delivers synchronously; the notice is freed here unless the target
    // answered that it keeps it.
    void send(std::unique_ptr<SessionNotice> notice);
    // Delivers without waiting, in order with everything sent before and
    // after. An update that finds the previous one of its kind still waiting
    // for the target replaces its contents, so a slow receiver sees the
    // newest numbers and the sender never queues up more than one. When the
    // target runs on another thread, updates go out at most every 50 ms; the
    // newest one in between is held until the next notice of any kind, or
    // until flushUpdates().
    void sendUpdate(std::unique_ptr<SessionNotice> notice);
    // Sends a held-back update now (the sender is about to sit idle).
    void flushUpdates();
    void sendStatus(std::string text);
    // A status that only moves a counter on ("Receiving file list: 12").
    void sendStatusUpdate(std::string text);
    void sendProgress(std::uint64_t elapsed, std::uint64_t moved, std::uint64_t offset,
                      std::uint64_t expected, const std::string& text);
    void sendListed(std::string path);
    void sendKind(NoticeKind kind, std::string text = {}, Recovery recovery = RecoveryNone);

    // The protocol log: "> " command lines and "< " reply lines.
    void appendLog(std::string_view prefix, std::string_view line);
    std::string protocolLog() const;
    // Also hands every log line to a sink (the command-line client's --log).
    void setLogSink(std::function<void(std::string_view)> sink);

    TaskQueue& queue() { return queue_; }

private:
    struct PendingUpdate;
    static constexpr std::uint64_t kUpdateIntervalMs = 50;
    bool mergeIntoPending(NoticeTarget target, std::unique_ptr<SessionNotice>& notice);
    void postHeld();
    void post(NoticeTarget target, std::unique_ptr<SessionNotice> notice);

    std::atomic<NoticeTarget> target_{kNoTarget};
    std::mutex updateMutex_;
    std::shared_ptr<PendingUpdate> pending_;
    std::unique_ptr<SessionNotice> held_;
    NoticeTarget heldTarget_ = kNoTarget;
    std::uint64_t lastPosted_ = 0;
    CFTPSession* sender_;
    TaskQueue queue_;
    mutable std::mutex logMutex_;
    std::string log_;
    std::function<void(std::string_view)> logSink_;
};

} // namespace varnix
