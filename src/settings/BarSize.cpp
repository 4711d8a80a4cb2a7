#include "settings/BarSize.h"

#include "platform/Profile.h"

#include <algorithm>

namespace varnix {
namespace {

BarSize::Size loadSize(Profile& profile, std::string_view section, std::string_view kind, BarSize::Size current,
                       BarSize::Size minimum)
{
    std::string base = "size" + std::string(kind);
    auto read = [&](const char* axis, std::int32_t fallback) {
        return std::int32_t(profile.readInt(section, base + axis, std::uint32_t(fallback)));
    };
    return {std::max(read("CX", current.cx), minimum.cx), std::max(read("CY", current.cy), minimum.cy)};
}

void saveSize(Profile& profile, std::string_view section, std::string_view kind, BarSize::Size size)
{
    std::string base = "size" + std::string(kind);
    profile.writeInt(section, base + "CX", std::uint32_t(size.cx));
    profile.writeInt(section, base + "CY", std::uint32_t(size.cy));
}

} // namespace

BarSize BarSize::load(Profile& profile, std::string_view section, const BarSize& current, Size minimum)
{
    return {loadSize(profile, section, "Horz", current.horz, minimum),
            loadSize(profile, section, "Vert", current.vert, minimum),
            loadSize(profile, section, "Float", current.floating, minimum)};
}

void BarSize::save(Profile& profile, std::string_view section) const
{
    saveSize(profile, section, "Horz", horz);
    saveSize(profile, section, "Vert", vert);
    saveSize(profile, section, "Float", floating);
}

int BarSize::shareOf(int wanted, int shared, int windowsMinimum, int barMinimum)
{
    if (shared - wanted >= windowsMinimum)
        return wanted;
    return std::max(barMinimum, std::min(wanted, std::max(shared - windowsMinimum, shared / 3)));
}

std::string BarSize::sectionFor(std::string_view frameSection, int barId)
{
    return std::string(frameSection) + "-SCBar-" + std::to_string(barId);
}

} // namespace varnix
