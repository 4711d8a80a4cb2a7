#pragma once
// The columns of both file lists, local and remote: their numbers, as the
// sort mode and a window's stored column layout count them, and their
// headings.

#include <array>

namespace varnix {

struct ListColumns {
    // Unscoped, so that a column is the list model's column number as it stands.
    enum Column : int { Name, Size, Type, Modified };
    static constexpr int kCount = 4;
    // Untranslated, in column order.
    static constexpr std::array<const char*, kCount> kHeadings{"Name", "Size", "Type", "Modified"};
};

} // namespace varnix
