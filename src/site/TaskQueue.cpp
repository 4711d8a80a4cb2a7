#include "site/TaskQueue.h"

namespace varnix {

void TaskQueue::post(std::unique_ptr<SessionTask> task)
{
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    ready_.set();
}

void TaskQueue::postAll(std::deque<std::unique_ptr<SessionTask>> tasks)
{
    if (tasks.empty())
        return;
    std::lock_guard lock(mutex_);
    for (auto& task : tasks)
        tasks_.push_back(std::move(task));
    ready_.set();
}

std::unique_ptr<SessionTask> TaskQueue::take(std::uint64_t timeoutMs)
{
    if (!ready_.wait(timeoutMs))
        return nullptr;
    std::lock_guard lock(mutex_);
    if (tasks_.empty())
        return nullptr;
    std::unique_ptr<SessionTask> task = std::move(tasks_.front());
    tasks_.pop_front();
    if (tasks_.empty())
        ready_.reset();
    return task;
}

void TaskQueue::clear()
{
    while (take(0)) {
    }
}

bool TaskQueue::hasPending()
{
    return ready_.wait(0);
}

} // namespace varnix
