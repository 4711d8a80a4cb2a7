#include "settings/ColumnLayout.h"

#include "platform/Profile.h"

#include <algorithm>
#include <string>

namespace varnix {
namespace {

std::string columnValue(std::size_t i, std::string_view what)
{
    return "Column" + std::to_string(i) + std::string(what);
}

} // namespace

ColumnLayout ColumnLayout::load(Profile& profile, std::string_view section, const ColumnLayout& current)
{
    ColumnLayout layout = current;
    for (std::size_t i = 0; i < current.widths.size(); ++i) {
        if (i < layout.positions.size())
            layout.positions[i] = int(profile.readInt(section, columnValue(i, "Order"),
                                                      std::uint32_t(current.positions[i])));
        layout.widths[i] = int(profile.readInt(section, columnValue(i, "Width"), std::uint32_t(current.widths[i]))
                               & 0xFFFF);
    }
    if (!isPermutation(layout.positions))
        layout.positions = current.positions;
    return layout;
}

void ColumnLayout::save(Profile& profile, std::string_view section) const
{
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i < positions.size())
            profile.writeInt(section, columnValue(i, "Order"), std::uint32_t(positions[i]));
        profile.writeInt(section, columnValue(i, "Width"), std::uint32_t(widths[i]));
    }
}

bool ColumnLayout::isPermutation(const std::vector<int>& positions)
{
    std::vector<int> sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (sorted[i] != int(i))
            return false;
    return true;
}

SortMode SortMode::clicked(int column) const
{
    if (column == this->column())
        return SortMode(value_ ^ kDescending);
    return SortMode(std::uint32_t(column) & 0xF);
}

SortMode SortMode::load(Profile& profile, std::string_view section)
{
    return SortMode(profile.readInt(section, "SortMode", 0));
}

void SortMode::save(Profile& profile, std::string_view section) const
{
    profile.writeInt(section, "SortMode", value_);
}

} // namespace varnix
