#pragma once
// First-in, first-out queue of tasks waiting for a session's worker thread.
// Posting may happen on any thread; taking happens on the worker.

#include "platform/Event.h"
#include "site/SessionTask.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace varnix {

class TaskQueue {
public:
    void post(std::unique_ptr<SessionTask> task);
    // Several tasks in one go, so that no other poster's task lands between them.
    void postAll(std::deque<std::unique_ptr<SessionTask>> tasks);
    // The oldest task, or none when nothing arrived within timeoutMs.
    std::unique_ptr<SessionTask> take(std::uint64_t timeoutMs);
    void clear();
    bool hasPending();

private:
    std::mutex mutex_;
    std::deque<std::unique_ptr<SessionTask>> tasks_;
    Event ready_;
};

} // namespace varnix
