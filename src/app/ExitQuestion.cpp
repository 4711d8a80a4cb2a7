#include "app/ExitQuestion.h"

#include <algorithm>

namespace varnix {

// An item waiting to retry holds its sessions and counts as running.
std::string exitQuestion(const std::vector<QueueItemHandle>& items)
{
    const auto running = std::count_if(items.begin(), items.end(),
                                       [](const QueueItemHandle& item) { return item->running(); });
    if (running == 0)
        return {};
    return running == 1 ? "1 transfer is running. Exit anyway?"
                        : std::to_string(running) + " transfers are running. Exit anyway?";
}

} // namespace varnix
