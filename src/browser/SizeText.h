#pragma once
// The Size column's text, the same in local and remote windows.

#include <cstdint>
#include <string>

namespace varnix {

// Kilobytes rounded up, thousands separated by commas, " KB" appended:
// "0 KB", "4 KB", "1,234 KB".
std::string kilobyteText(std::uint64_t bytes);

} // namespace varnix
