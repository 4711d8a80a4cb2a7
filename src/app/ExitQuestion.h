#pragma once
// What the program asks before it exits: transfers still running would be
// dropped with it.

#include "queue/QueueItem.h"

#include <string>
#include <vector>

namespace varnix {

// "2 transfers are running. Exit anyway?"; empty when none runs.
std::string exitQuestion(const std::vector<QueueItemHandle>& items);

} // namespace varnix
