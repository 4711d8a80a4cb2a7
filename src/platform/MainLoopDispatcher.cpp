#include "platform/MainLoopDispatcher.h"

#include <algorithm>

namespace varnix {

MainLoopDispatcher::MainLoopDispatcher()
{
    notice_targets::setDispatcher(this);
}

MainLoopDispatcher::~MainLoopDispatcher()
{
    notice_targets::setDispatcher(nullptr);
    // Posted calls nobody ran: their notices are freed with them.
    std::lock_guard lock(mutex_);
    for (Call* call : calls_)
        if (!call->fn)
            delete call;
    calls_.clear();
}

std::intptr_t MainLoopDispatcher::call(const std::function<std::intptr_t()>& fn)
{
    Call request;
    request.fn = &fn;
    std::unique_lock lock(mutex_);
    calls_.push_back(&request);
    queued_.notify_one();
    finished_.wait(lock, [&] { return request.finished; });
    return request.result;
}

void MainLoopDispatcher::post(std::function<void()> fn)
{
    auto request = std::make_unique<Call>();
    request->posted = std::move(fn);
    std::lock_guard lock(mutex_);
    calls_.push_back(request.release());
    queued_.notify_one();
}

bool MainLoopDispatcher::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex_);
    while (!done()) {
        if (calls_.empty()) {
            // Short slices: some conditions (a session thread ending) come
            // with no call to wake us.
            auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
            queued_.wait_until(lock, slice);
            if (calls_.empty() && std::chrono::steady_clock::now() >= deadline)
                return done();
            continue;
        }
        Call* next = calls_.front();
        calls_.pop_front();
        runOne(next, lock);
    }
    return true;
}

void MainLoopDispatcher::runOne(Call* next, std::unique_lock<std::mutex>& lock)
{
    lock.unlock();
    if (!next->fn) {
        std::unique_ptr<Call> owned(next);
        owned->posted();
        lock.lock();
        return;
    }
    std::intptr_t result = (*next->fn)();
    lock.lock();
    next->result = result;
    next->finished = true;
    finished_.notify_all();
}

} // namespace varnix
