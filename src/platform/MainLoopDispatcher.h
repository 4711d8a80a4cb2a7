#pragma once
// A UI thread without a toolkit: notices from the session threads are handled
// on the thread that runs the loop, one at a time, exactly as the windows
// handle them on theirs. The command-line client and the queue tests use it.

#include "platform/NoticeTarget.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace varnix {

class MainLoopDispatcher : public UiDispatcher {
public:
    // Installs itself as the process's dispatcher until destroyed.
    MainLoopDispatcher();
    ~MainLoopDispatcher() override;

    // From a worker thread: queue the call for the loop's thread and wait.
    std::intptr_t call(const std::function<std::intptr_t()>& fn) override;
    // From a worker thread: queue the call and go on.
    void post(std::function<void()> fn) override;

    // On the loop's thread: run queued calls until done() holds or the time
    // runs out; true when done() held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

private:
    // A sent call lives on its sender's stack; a posted one is owned here.
    struct Call {
        const std::function<std::intptr_t()>* fn = nullptr;
        std::function<void()> posted;
        std::intptr_t result = 0;
        bool finished = false;
    };

    void runOne(Call* call, std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<Call*> calls_;
};

} // namespace varnix
