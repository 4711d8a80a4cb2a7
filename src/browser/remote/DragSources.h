#pragma once
// The remote windows that rows can be dragged from, by number. A drag
// carries the number, never an address: a drop looks the window up here,
// and a window that has closed is simply not found. Numbers are never
// used twice in a process.

#include <cstdint>

namespace varnix {

class RemoteBrowser;

namespace drag_sources {

std::uint64_t add(RemoteBrowser* source);
// Unknown numbers are ignored, so a window may withdraw more than once.
void remove(std::uint64_t id);
// Null for a number never given out or withdrawn since.
RemoteBrowser* find(std::uint64_t id);

} // namespace drag_sources
} // namespace varnix
