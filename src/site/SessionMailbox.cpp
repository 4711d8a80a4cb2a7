#include "site/SessionMailbox.h"

#include "platform/Ticks.h"

namespace varnix {

// An update on its way to the target; emptied when delivered.
struct SessionMailbox::PendingUpdate {
    std::mutex mutex;
    NoticeTarget target = kNoTarget;
    std::unique_ptr<SessionNotice> notice;

    void deliver(NoticeReceiver* receiver)
    {
        std::unique_ptr<SessionNotice> taken;
        {
            std::lock_guard lock(mutex);
            taken = std::move(notice);
        }
        if (taken && receiver && receiver->receiveMessage(kSessionNoticeMessage, taken.get()) == kNoticeKept)
            (void)taken.release();
    }
};

void SessionMailbox::send(std::unique_ptr<SessionNotice> notice)
{
    notice->sender = sender_;
    {
        std::lock_guard lock(updateMutex_);
        postHeld();
    }
    NoticeTarget target = target_.load();
    if (target == kNoTarget)
        return;
    if (notice_targets::send(target, kSessionNoticeMessage, notice.get()) == kNoticeKept)
        (void)notice.release();
}

void SessionMailbox::sendUpdate(std::unique_ptr<SessionNotice> notice)
{
    notice->sender = sender_;
    NoticeTarget target = target_.load();
    if (target == kNoTarget)
        return;
    std::lock_guard lock(updateMutex_);
    if (held_ && (heldTarget_ != target || held_->kind != notice->kind))
        postHeld();
    if (mergeIntoPending(target, notice)) {
        held_.reset(); // older than what now waits for the receiver
        return;
    }
    // A receiver on another thread is woken at a bounded rate; the newest
    // update waits here until the next one, or any other notice, sends it on.
    const std::uint64_t now = tickCount();
    if (!notice_targets::deliversOnCaller() && now - lastPosted_ < kUpdateIntervalMs) {
        held_ = std::move(notice);
        heldTarget_ = target;
        return;
    }
    held_.reset();
    lastPosted_ = now;
    post(target, std::move(notice));
}

void SessionMailbox::flushUpdates()
{
    std::lock_guard lock(updateMutex_);
    postHeld();
}

void SessionMailbox::postHeld()
{
    if (!held_)
        return;
    lastPosted_ = tickCount();
    post(heldTarget_, std::move(held_));
}

void SessionMailbox::post(NoticeTarget target, std::unique_ptr<SessionNotice> notice)
{
    auto update = std::make_shared<PendingUpdate>();
    update->target = target;
    update->notice = std::move(notice);
    pending_ = update;
    notice_targets::post(target, [update](NoticeReceiver* receiver) { update->deliver(receiver); });
}

bool SessionMailbox::mergeIntoPending(NoticeTarget target, std::unique_ptr<SessionNotice>& notice)
{
    if (!pending_ || pending_->target != target)
        return false;
    std::lock_guard lock(pending_->mutex);
    if (!pending_->notice || pending_->notice->kind != notice->kind)
        return false;
    pending_->notice = std::move(notice);
    return true;
}

void SessionMailbox::sendStatus(std::string text)
{
    sendKind(NoticeStatus, std::move(text));
}

void SessionMailbox::sendStatusUpdate(std::string text)
{
    auto notice = std::make_unique<SessionNotice>();
    notice->text = std::move(text);
    sendUpdate(std::move(notice));
}

void SessionMailbox::sendProgress(std::uint64_t elapsed, std::uint64_t moved, std::uint64_t offset,
                                  std::uint64_t expected, const std::string& text)
{
    auto notice = std::make_unique<SessionNotice>();
    notice->kind = NoticeProgress;
    notice->elapsed = elapsed;
    notice->moved = moved;
    notice->offset = offset;
    notice->expected = expected;
    notice->text = text;
    sendUpdate(std::move(notice));
}

void SessionMailbox::sendListed(std::string path)
{
    sendKind(NoticeListed, std::move(path));
}

void SessionMailbox::sendKind(NoticeKind kind, std::string text, Recovery recovery)
{
    auto notice = std::make_unique<SessionNotice>();
    notice->kind = kind;
    notice->text = std::move(text);
    notice->recovery = kind == NoticeFailed ? recovery : RecoveryNone;
    send(std::move(notice));
}

void SessionMailbox::appendLog(std::string_view prefix, std::string_view line)
{
    std::function<void(std::string_view)> sink;
    std::string entry;
    {
        std::lock_guard lock(logMutex_);
        entry.reserve(prefix.size() + line.size());
        entry.append(prefix).append(line);
        log_ += entry;
        sink = logSink_;
    }
    if (sink)
        sink(entry);
}

std::string SessionMailbox::protocolLog() const
{
    std::lock_guard lock(logMutex_);
    return log_;
}

void SessionMailbox::setLogSink(std::function<void(std::string_view)> sink)
{
    std::lock_guard lock(logMutex_);
    logSink_ = std::move(sink);
}

} // namespace varnix
