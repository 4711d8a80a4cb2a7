#pragma once
// The texts of a local window's Size and Modified columns (kilobytes as
// kilobyteText gives them).

#include "browser/local/LocalItem.h"

#include <cstdint>
#include <string>

namespace varnix {

// Local time: "3/7/2002 4:05 PM"; empty when the time cannot be shown.
std::string modifiedText(std::int64_t seconds);

// Empty for folders and for entries without file status.
std::string sizeColumnText(const LocalItem& item);
// Empty for entries without file status.
std::string modifiedColumnText(const LocalItem& item);

} // namespace varnix
