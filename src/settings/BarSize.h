#pragma once
// The sizes of a docking bar, docked along a side, docked upright and
// floating, as kept in a section of their own.

#include <cstdint>
#include <string>
#include <string_view>

namespace varnix {

class Profile;

struct BarSize {
    struct Size {
        std::int32_t cx = 0;
        std::int32_t cy = 0;
    };

    Size horz;
    Size vert;
    Size floating;

    // Each size missing from the store is the current one; each stored one
    // is raised to at least `minimum` in both directions.
    static BarSize load(Profile& profile, std::string_view section, const BarSize& current, Size minimum);
    void save(Profile& profile, std::string_view section) const;

    // The height a bar docked along the top or bottom is given of the
    // `shared` pixels it splits with the windows beside it: the `wanted`
    // height while the windows keep `windowsMinimum`; where space is short,
    // what leaves them that minimum, though never less than a third of the
    // space nor less than `barMinimum`.
    static int shareOf(int wanted, int shared, int windowsMinimum, int barMinimum);

    // "MainFrame-SCBar-40036": the bar's section below its frame's.
    static std::string sectionFor(std::string_view frameSection, int barId);
};

} // namespace varnix
