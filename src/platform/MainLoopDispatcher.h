#pragma once
// The command-line client's UI thread: notices from the session threads are
// handled on the main thread, one at a time, exactly as the windows handle
// them on theirs.

#include "platform/NoticeTarget.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace varnix::cli {

class CliDispatcher : public UiDispatcher {
public:
    CliDispatcher();
    ~CliDispatcher() override;

    // From a worker thread: queue the call for the main thread and wait.
    std::intptr_t call(const std::function<std::intptr_t()>& fn) override;

    // On the main thread: run queued calls until done() holds or the time
    // runs out; true when done() held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

private:
    struct Call {
        const std::function<std::intptr_t()>* fn;
        std::intptr_t result = 0;
        bool finished = false;
    };

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable finished_;
    std::deque<Call*> calls_;
};

} // namespace varnix::cli
