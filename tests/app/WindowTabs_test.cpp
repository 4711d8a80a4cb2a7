#include "app/WindowTabs.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

using Tab = WindowTabs::Tab;

std::vector<std::string> captions(const WindowTabs& tabs)
{
    std::vector<std::string> out;
    for (const Tab& tab : tabs.tabs())
        out.push_back(tab.caption);
    return out;
}

TEST(WindowTabs, TabsKeepTheirPlacesAndTheSelectionFollowsTheTopWindow)
{
    WindowTabs tabs;
    // Opened one after another: each new one is on top.
    tabs.update({{1, "one", 0}});
    tabs.update({{2, "two", 1}, {1, "one", 0}});
    auto changes = tabs.update({{3, "three", 0}, {2, "two", 1}, {1, "one", 0}});
    EXPECT_EQ(captions(tabs), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(changes.added, (std::vector<Tab>{{3, "three", 0}}));
    EXPECT_EQ(changes.selected, 2);

    // Activating the first moves only the selection.
    changes = tabs.update({{1, "one", 0}, {3, "three", 0}, {2, "two", 1}});
    EXPECT_TRUE(changes.added.empty() && changes.removed.empty());
    EXPECT_EQ(changes.selected, 0);

    // Closing the middle one leaves the others in place; a caption change shows.
    changes = tabs.update({{1, "one (renamed)", 0}, {3, "three", 0}});
    EXPECT_EQ(changes.removed, (std::vector<int>{1}));
    EXPECT_EQ(captions(tabs), (std::vector<std::string>{"one (renamed)", "three"}));
    EXPECT_EQ(tabs.indexOf(3), 1);

    // A window that appears among others goes to the right end.
    changes = tabs.update({{3, "three", 0}, {4, "four", 0}, {1, "one", 0}});
    EXPECT_EQ(captions(tabs), (std::vector<std::string>{"one", "three", "four"}));
    EXPECT_EQ(changes.selected, 1);

    changes = tabs.update({});
    EXPECT_EQ(changes.removed, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(changes.selected, -1);
}

TEST(WindowTabs, LongCaptionsAreCutOnACharacterBoundary)
{
    std::string caption(255, 'a');
    caption += "\xC3\xA9tude"; // the é straddles byte 256
    std::string cut = WindowTabs::shortened(caption);
    EXPECT_EQ(cut, std::string(255, 'a'));
    EXPECT_EQ(WindowTabs::shortened("short"), "short");
}

} // namespace
} // namespace varnix
