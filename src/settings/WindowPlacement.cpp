#include "settings/WindowPlacement.h"

#include "platform/Profile.h"

namespace varnix {
namespace {

std::int32_t readSigned(Profile& profile, std::string_view section, std::string_view name, std::int32_t fallback)
{
    return static_cast<std::int32_t>(profile.readInt(section, name, static_cast<std::uint32_t>(fallback)));
}

void writeSigned(Profile& profile, std::string_view section, std::string_view name, std::int32_t value)
{
    profile.writeInt(section, name, static_cast<std::uint32_t>(value));
}

} // namespace

WindowPlacement WindowPlacement::load(Profile& profile, std::string_view section, const WindowPlacement& current)
{
    WindowPlacement p = current;
    p.flags = profile.readInt(section, "Flags", current.flags);
    if (current.show == Normal)
        p.show = profile.readInt(section, "Show", current.show);
    p.maxX = readSigned(profile, section, "MaxX", current.maxX);
    p.maxY = readSigned(profile, section, "MaxY", current.maxY);
    p.minX = readSigned(profile, section, "MinX", current.minX);
    p.minY = readSigned(profile, section, "MinY", current.minY);
    p.normal.bottom = readSigned(profile, section, "NormalBottom", current.normal.bottom);
    p.normal.left = readSigned(profile, section, "NormalLeft", current.normal.left);
    p.normal.right = readSigned(profile, section, "NormalRight", current.normal.right);
    p.normal.top = readSigned(profile, section, "NormalTop", current.normal.top);
    // A damaged store must not leave a window with no area to click on.
    if (p.normal.isEmpty())
        p.normal = current.normal;
    if (p.show != Minimized && p.show != Maximized)
        p.show = Normal;
    return p;
}

void WindowPlacement::save(Profile& profile, std::string_view section) const
{
    std::uint32_t storedFlags = show == Maximized ? flags | kRestoreToMaximized : flags;
    profile.writeInt(section, "Flags", storedFlags);
    profile.writeInt(section, "Show", show == Minimized ? std::uint32_t(Normal) : show);
    writeSigned(profile, section, "MaxX", maxX);
    writeSigned(profile, section, "MaxY", maxY);
    writeSigned(profile, section, "MinX", minX);
    writeSigned(profile, section, "MinY", minY);
    writeSigned(profile, section, "NormalBottom", normal.bottom);
    writeSigned(profile, section, "NormalLeft", normal.left);
    writeSigned(profile, section, "NormalRight", normal.right);
    writeSigned(profile, section, "NormalTop", normal.top);
}

} // namespace varnix
