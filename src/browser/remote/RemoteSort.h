#pragma once
// The order of a remote file list's rows. Both the desktop window and
// anything else that shows a listed folder use it, so a folder reads the
// same everywhere.

#include "settings/ColumnLayout.h"

#include <cstdint>
#include <vector>

namespace varnix {

class RemoteFolder;

// The entry indexes of `folder` in the order the list shows them. The sort
// mode's column (Name, Size, Type, Modified) orders the rows, names and
// types byte by byte and case-sensitively; folders come first in ascending
// order and last in descending order. Rows whose keys are equal keep their
// listing order, as does every row under a column the list does not have.
std::vector<std::uint32_t> sortedOrder(const RemoteFolder& folder, SortMode mode);

} // namespace varnix
