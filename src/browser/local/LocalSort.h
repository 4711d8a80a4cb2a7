#pragma once
// The order of a local window's list. Entries without file status (the
// desktop's places, broken links) come first, then folders, then files;
// within each group the sorted column decides, and a descending sort turns
// the whole order round, groups included.

#include "browser/local/LocalItem.h"
#include "settings/ColumnLayout.h"

namespace varnix {

// A strict ordering: neither of two entries with equal keys comes first.
bool listedBefore(const LocalItem& a, const LocalItem& b, SortMode mode);

} // namespace varnix
