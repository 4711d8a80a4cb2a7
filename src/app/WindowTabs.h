#pragma once
// The bookkeeping behind the window-tab strip: one tab per child window.
// Existing tabs keep their places, closed windows lose theirs, new windows
// get tabs on the right, and the selection follows the topmost window.

#include <cstdint>
#include <string>
#include <vector>

namespace varnix {

class WindowTabs {
public:
    using WindowId = std::uintptr_t;
    static constexpr std::size_t kMaxCaption = 256;

    struct Tab {
        WindowId window = 0;
        std::string caption;
        int icon = 0;
        bool operator==(const Tab&) const = default;
    };

    // What the strip must do to follow one update.
    struct Changes {
        std::vector<int> removed; // indexes before the update, highest first
        std::vector<Tab> added;   // appended in this order
        int selected = -1;        // after the update; -1 with no windows
    };

    // `windows` in stacking order, topmost first. Captions of kept tabs are
    // refreshed in place (read them from tabs()).
    Changes update(const std::vector<Tab>& windows);

    const std::vector<Tab>& tabs() const { return tabs_; }
    int indexOf(WindowId window) const;

    // At most kMaxCaption bytes, never cutting a UTF-8 sequence in two.
    static std::string shortened(const std::string& caption);

private:
    std::vector<Tab> tabs_;
};

} // namespace varnix
