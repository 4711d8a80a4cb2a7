#pragma once
// The saved sites as the lower part of the Sites menu: folders become
// submenus holding their contents, sites become items whose command number
// tells which entry to open (57343 - index, counting down from 0xDFFF).

#include "settings/SiteList.h"

#include <optional>
#include <string>
#include <vector>

namespace varnix {

struct SitesMenuItem {
    std::string label;
    bool folder = false;
    int command = 0;    // sites only
    std::vector<SitesMenuItem> items;  // folders only
};

class SitesMenu {
public:
    // Entry 0's command. Menu actions carry their number as data, so a list
    // longer than the 4096 numbers down to 0xD000 collides with nothing.
    static constexpr int kLastCommand = 0xDFFF;

    static int commandOf(std::size_t index) { return kLastCommand - int(index); }
    // The site a command opens; none for a number past the end of the list
    // (a stale menu) or one that names a folder.
    static std::optional<std::size_t> indexOf(int command, const SiteList& list);
    // The tree below the menu's first item, in list order at each level.
    static std::vector<SitesMenuItem> build(const SiteList& list);
};

} // namespace varnix
