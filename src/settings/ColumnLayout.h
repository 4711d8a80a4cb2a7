#pragma once
// The columns of a list as kept in its window's layout section: each
// column's place in the display order and its width.

#include <cstdint>
#include <string_view>
#include <vector>

namespace varnix {

class Profile;

struct ColumnLayout {
    // positions[i]: where column i is shown (0 = leftmost); widths[i] in pixels.
    std::vector<int> positions;
    std::vector<int> widths;

    // The stored layout for as many columns as `current` has, each missing
    // value taken from it. Only the low 16 bits of a stored width count. An
    // order that is not a permutation of the columns (a damaged store) is
    // ignored as a whole.
    static ColumnLayout load(Profile& profile, std::string_view section, const ColumnLayout& current);
    void save(Profile& profile, std::string_view section) const;

    static bool isPermutation(const std::vector<int>& positions);
};

// The sorted column of a file list (low 4 bits: 0 Name, 1 Size, 2 Type,
// 3 Modified) and its direction (bit value 16: descending).
class SortMode {
public:
    static constexpr std::uint32_t kDescending = 16;

    SortMode() = default;
    explicit SortMode(std::uint32_t value) : value_(value) {}

    std::uint32_t value() const { return value_; }
    int column() const { return int(value_ & 0xF); }
    bool descending() const { return (value_ & kDescending) != 0; }
    // A click on a heading sorts by it, ascending; a second click on the
    // sorted column turns the direction round.
    SortMode clicked(int column) const;

    static SortMode load(Profile& profile, std::string_view section);
    void save(Profile& profile, std::string_view section) const;

private:
    std::uint32_t value_ = 0;
};

} // namespace varnix
