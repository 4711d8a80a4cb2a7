#pragma once
// Millisecond tick count of a monotonic clock, for elapsed times.

#include <chrono>
#include <cstdint>

namespace varnix {

inline std::uint64_t tickCount()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace varnix
