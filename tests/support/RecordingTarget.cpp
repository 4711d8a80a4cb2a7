#include "support/RecordingTarget.h"

#include <chrono>

namespace varnix::test {

RecordingTarget::RecordingTarget(bool keep) : keep_(keep), handle_(notice_targets::add(this)) {}

RecordingTarget::~RecordingTarget()
{
    notice_targets::remove(handle_);
}

std::intptr_t RecordingTarget::receiveMessage(unsigned message, void* param)
{
    if (message != kSessionNoticeMessage)
        return 0;
    auto* notice = static_cast<SessionNotice*>(param);
    std::function<void(const SessionNotice&)> hook;
    {
        std::lock_guard lock(mutex_);
        notices_.push_back(*notice);
        hook = hook_;
    }
    changed_.notify_all();
    if (hook)
        hook(*notice);
    if (!keep_)
        return 0;
    delete notice;
    return kNoticeKept;
}

std::vector<SessionNotice> RecordingTarget::notices() const
{
    std::lock_guard lock(mutex_);
    return notices_;
}

std::vector<SessionNotice> RecordingTarget::ofKind(NoticeKind kind) const
{
    std::vector<SessionNotice> out;
    for (const auto& n : notices())
        if (n.kind == kind)
            out.push_back(n);
    return out;
}

std::vector<std::string> RecordingTarget::texts(NoticeKind kind) const
{
    std::vector<std::string> out;
    for (const auto& n : ofKind(kind))
        out.push_back(n.text);
    return out;
}

std::size_t RecordingTarget::count(NoticeKind kind) const
{
    return ofKind(kind).size();
}

void RecordingTarget::clear()
{
    std::lock_guard lock(mutex_);
    notices_.clear();
}

bool RecordingTarget::waitFor(const std::function<bool(const SessionNotice&)>& pred, int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const auto& n : notices_)
            if (pred(n))
                return true;
        return false;
    });
}

bool RecordingTarget::waitUntil(const std::function<bool(const std::vector<SessionNotice>&)>& pred,
                                int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return pred(notices_); });
}

bool RecordingTarget::waitForKind(NoticeKind kind, std::size_t wanted, int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        std::size_t n = 0;
        for (const auto& notice : notices_)
            n += notice.kind == kind;
        return n >= wanted;
    });
}

void RecordingTarget::onNotice(std::function<void(const SessionNotice&)> hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

} // namespace varnix::test
