#pragma once
// A manual-reset event: stays signalled until reset, wakes every waiter.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace varnix {

class Event {
public:
    void set()
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        changed_.notify_all();
    }

    void reset()
    {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }

    // Waits up to timeoutMs milliseconds; true when the event was signalled.
    bool wait(std::uint64_t timeoutMs)
    {
        std::unique_lock lock(mutex_);
        if (timeoutMs >= kForever)
            changed_.wait(lock, [this] { return signalled_; });
        else
            changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
        return signalled_;
    }

    bool isSet()
    {
        std::lock_guard lock(mutex_);
        return signalled_;
    }

    // Waits this long or longer are treated as "until signalled".
    static constexpr std::uint64_t kForever = std::uint64_t(1) << 40;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

} // namespace varnix
