#include "app/WindowTabs.h"

#include <algorithm>

namespace varnix {

WindowTabs::Changes WindowTabs::update(const std::vector<Tab>& windows)
{
    Changes changes;
    std::vector<Tab> unseen = windows;
    WindowId topmost = windows.empty() ? 0 : windows.front().window;
    for (int i = int(tabs_.size()) - 1; i >= 0; --i) {
        auto it = std::find_if(unseen.begin(), unseen.end(),
                               [&](const Tab& w) { return w.window == tabs_[std::size_t(i)].window; });
        if (it == unseen.end()) {
            changes.removed.push_back(i);
            tabs_.erase(tabs_.begin() + i);
            continue;
        }
        tabs_[std::size_t(i)].caption = shortened(it->caption);
        tabs_[std::size_t(i)].icon = it->icon;
        unseen.erase(it);
    }
    for (Tab& tab : unseen) {
        tab.caption = shortened(tab.caption);
        tabs_.push_back(tab);
        changes.added.push_back(tab);
    }
    changes.selected = indexOf(topmost);
    return changes;
}

int WindowTabs::indexOf(WindowId window) const
{
    for (std::size_t i = 0; i < tabs_.size(); ++i)
        if (tabs_[i].window == window)
            return int(i);
    return -1;
}

std::string WindowTabs::shortened(const std::string& caption)
{
    if (caption.size() <= kMaxCaption)
        return caption;
    std::size_t end = kMaxCaption;
    while (end > 0 && (static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80)
        --end;
    return caption.substr(0, end);
}

} // namespace varnix
