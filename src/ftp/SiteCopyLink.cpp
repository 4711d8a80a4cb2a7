#include "ftp/SiteCopyLink.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace varnix {
namespace {

// How often a waiting side looks whether it was cancelled.
constexpr auto kCheckInterval = std::chrono::milliseconds(100);

int index(SiteCopyLink::Side side)
{
    return side == SiteCopyLink::Side::Source ? 0 : 1;
}

} // namespace

SiteCopyLink::SiteCopyLink(std::size_t capacity) : ring_(std::max<std::size_t>(capacity, 1)) {}

void SiteCopyLink::setWake(Side side, std::function<void()> wake)
{
    std::lock_guard<std::mutex> hold(lock_);
    wake_[index(side)] = std::move(wake);
}

SiteCopyLink::State SiteCopyLink::state() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return state_;
}

std::string SiteCopyLink::reason() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return reason_;
}

void SiteCopyLink::refuse(Side by, const std::string& reason)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (state_ != State::Running)
        return;
    state_ = State::Refused;
    reason_ = reason;
    wakeOther(by);
}

void SiteCopyLink::abandon(Side by)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (state_ != State::Running)
        return;
    state_ = State::Abandoned;
    wakeOther(by);
}

// Under the lock: a side clears its wake under it too before it goes.
void SiteCopyLink::wakeOther(Side by)
{
    changed_.notify_all();
    const auto& wake = wake_[index(by == Side::Source ? Side::Destination : Side::Source)];
    if (wake)
        wake();
}

template <class Ready>
void SiteCopyLink::waitUntil(std::unique_lock<std::mutex>& lock, Ready ready, const std::function<void()>& check)
{
    while (!ready()) {
        changed_.wait_for(lock, kCheckInterval);
        if (ready())
            return;
        lock.unlock();
        check();
        lock.lock();
    }
}

void SiteCopyLink::sourceStarted(std::uint64_t size)
{
    std::lock_guard<std::mutex> hold(lock_);
    started_ = true;
    sourceSize_ = size;
    changed_.notify_all();
}

bool SiteCopyLink::waitForSource(const std::function<void()>& check)
{
    std::unique_lock<std::mutex> hold(lock_);
    waitUntil(hold, [this] { return started_ || state_ != State::Running; }, check);
    return started_ && (used_ > 0 || state_ == State::Running || state_ == State::Finished);
}

std::uint64_t SiteCopyLink::sourceSize() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return sourceSize_;
}

void SiteCopyLink::write(const char* data, std::size_t size, const std::function<void()>& check)
{
    std::unique_lock<std::mutex> hold(lock_);
    while (size > 0) {
        waitUntil(hold, [this] { return used_ < ring_.size() || state_ != State::Running; }, check);
        if (state_ != State::Running)
            throw CopyPartEnded{};
        const std::size_t tail = (head_ + used_) % ring_.size();
        const std::size_t run = std::min({size, ring_.size() - used_, ring_.size() - tail});
        std::memcpy(ring_.data() + tail, data, run);
        used_ += run;
        data += run;
        size -= run;
        changed_.notify_all();
    }
}

void SiteCopyLink::finish()
{
    std::lock_guard<std::mutex> hold(lock_);
    if (state_ == State::Running)
        state_ = State::Finished;
    changed_.notify_all();
}

std::size_t SiteCopyLink::read(char* into, std::size_t size, const std::function<void()>& check)
{
    std::unique_lock<std::mutex> hold(lock_);
    waitUntil(hold, [this] { return used_ > 0 || state_ != State::Running; }, check);
    // What arrived before the source failed is stored all the same, for a resume.
    if (used_ == 0 && state_ == State::Finished)
        return 0;
    if (used_ == 0)
        throw CopyPartEnded{};
    const std::size_t run = std::min({size, used_, ring_.size() - head_});
    std::memcpy(into, ring_.data() + head_, run);
    head_ = (head_ + run) % ring_.size();
    used_ -= run;
    changed_.notify_all();
    return run;
}

} // namespace varnix
