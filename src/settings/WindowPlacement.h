#pragma once
// Where a window stands and in which state, as kept in its layout section.

#include <cstdint>
#include <string_view>

namespace varnix {

class Profile;

struct PlacementRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool isEmpty() const { return right <= left || bottom <= top; }
};

struct WindowPlacement {
    enum Show : std::uint32_t { Normal = 1, Minimized = 2, Maximized = 3 };
    // In `flags`: a window minimized from the maximized state comes back maximized.
    static constexpr std::uint32_t kRestoreToMaximized = 2;

    std::uint32_t flags = 0;
    std::uint32_t show = Normal;
    std::int32_t minX = -1;
    std::int32_t minY = -1;
    std::int32_t maxX = -1;
    std::int32_t maxY = -1;
    PlacementRect normal;

    // The stored placement, each missing value taken from `current`. The
    // stored state counts only for a window that is about to show normally,
    // so a program started minimized stays minimized.
    static WindowPlacement load(Profile& profile, std::string_view section, const WindowPlacement& current);
    // A minimized window is stored as normal, so that it never reopens
    // minimized; a maximized one also sets kRestoreToMaximized.
    void save(Profile& profile, std::string_view section) const;
};

} // namespace varnix
