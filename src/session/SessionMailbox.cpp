#include "session/SessionMailbox.h"

namespace varnix {

void SessionMailbox::send(std::unique_ptr<SessionNotice> notice)
{
    notice->sender = sender_;
    NoticeTarget target = target_.load();
    if (target == kNoTarget)
        return;
    if (notice_targets::send(target, kSessionNoticeMessage, notice.get()) == kNoticeKept)
        (void)notice.release();
}

void SessionMailbox::sendStatus(std::string text)
{
    sendKind(NoticeStatus, std::move(text));
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
    send(std::move(notice));
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
