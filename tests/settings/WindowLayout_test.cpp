// Placement, columns, sort mode, bar sizes and numbered sections: the values
// each window keeps in its layout section.

#include "settings/BarSize.h"
#include "settings/ColumnLayout.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowSections.h"

#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <memory>

namespace varnix {
namespace {

WindowPlacement placed(std::uint32_t show)
{
    WindowPlacement p;
    p.show = show;
    p.normal = {10, 20, 810, 620};
    return p;
}

TEST(WindowPlacement, StoredStateComesBackAsAPersonExpects)
{
    struct Case {
        std::uint32_t closedAs;
        std::uint32_t reopensAs;
        std::uint32_t storedFlags;
    };
    for (Case c : {Case{WindowPlacement::Normal, WindowPlacement::Normal, 0},
                   Case{WindowPlacement::Maximized, WindowPlacement::Maximized, WindowPlacement::kRestoreToMaximized},
                   Case{WindowPlacement::Minimized, WindowPlacement::Normal, 0}}) {
        MemoryProfile profile;
        placed(c.closedAs).save(profile, "MainFrame");
        EXPECT_EQ(profile.readInt("MainFrame", "Flags", 99), c.storedFlags) << c.closedAs;
        WindowPlacement fresh;
        fresh.normal = {0, 0, 100, 100};
        WindowPlacement loaded = WindowPlacement::load(profile, "MainFrame", fresh);
        EXPECT_EQ(loaded.show, c.reopensAs) << c.closedAs;
        EXPECT_EQ(loaded.normal.right, 810);
        EXPECT_EQ(loaded.normal.top, 20);
    }
}

TEST(WindowPlacement, MissingOrDamagedValuesKeepTheCurrentPlacement)
{
    MemoryProfile profile;
    WindowPlacement current = placed(WindowPlacement::Normal);
    WindowPlacement loaded = WindowPlacement::load(profile, "RemoteWindow0", current);
    EXPECT_EQ(loaded.normal.left, 10);
    EXPECT_EQ(loaded.show, WindowPlacement::Normal);
    // A window that starts minimized stays so whatever was stored.
    placed(WindowPlacement::Maximized).save(profile, "RemoteWindow0");
    EXPECT_EQ(WindowPlacement::load(profile, "RemoteWindow0", placed(WindowPlacement::Minimized)).show,
              WindowPlacement::Minimized);
    // Negative coordinates survive; a rectangle with no area does not.
    profile.writeInt("RemoteWindow0", "NormalLeft", std::uint32_t(-40));
    EXPECT_EQ(WindowPlacement::load(profile, "RemoteWindow0", current).normal.left, -40);
    profile.writeInt("RemoteWindow0", "NormalRight", std::uint32_t(-50));
    EXPECT_EQ(WindowPlacement::load(profile, "RemoteWindow0", current).normal.right, 810);
    profile.writeInt("RemoteWindow0", "Show", 7);
    EXPECT_EQ(WindowPlacement::load(profile, "RemoteWindow0", current).show, WindowPlacement::Normal);
}

TEST(ColumnLayout, OrderAndWidthsRoundTripWithTheLow16BitRule)
{
    MemoryProfile profile;
    ColumnLayout current{{0, 1, 2, 3, 4, 5}, {100, 100, 75, 50, 250, 250}};
    // Size dragged before Status.
    ColumnLayout moved{{1, 0, 2, 3, 4, 5}, {120, 90, 75, 50, 250, 250}};
    moved.save(profile, "MainFrame");
    EXPECT_EQ(profile.readInt("MainFrame", "Column1Order", 99), 0u);
    EXPECT_EQ(profile.readInt("MainFrame", "Column0Width", 0), 120u);
    ColumnLayout loaded = ColumnLayout::load(profile, "MainFrame", current);
    EXPECT_EQ(loaded.positions, moved.positions);
    EXPECT_EQ(loaded.widths, moved.widths);

    profile.writeInt("MainFrame", "Column2Width", 65636);
    EXPECT_EQ(ColumnLayout::load(profile, "MainFrame", current).widths[2], 100);
    // Two columns in one place: the stored order is dropped, widths still count.
    profile.writeInt("MainFrame", "Column0Order", 0);
    profile.writeInt("MainFrame", "Column1Order", 0);
    loaded = ColumnLayout::load(profile, "MainFrame", current);
    EXPECT_EQ(loaded.positions, current.positions);
    EXPECT_EQ(loaded.widths[0], 120);
}

TEST(SortMode, ClicksChooseTheColumnAndTurnTheDirection)
{
    SortMode mode;
    EXPECT_EQ(mode.column(), 0);
    EXPECT_FALSE(mode.descending());
    mode = mode.clicked(0);
    EXPECT_EQ(mode.value(), 16u);
    mode = mode.clicked(3);
    EXPECT_EQ(mode.value(), 3u);
    mode = mode.clicked(3);
    EXPECT_EQ(mode.value(), 19u);
    MemoryProfile profile;
    EXPECT_EQ(SortMode::load(profile, "LocalWindow0").value(), 0u);
    mode.save(profile, "LocalWindow0");
    EXPECT_EQ(SortMode::load(profile, "LocalWindow0").value(), 19u);
}

TEST(BarSize, SizesRoundTripAndAreRaisedToTheMinimum)
{
    MemoryProfile profile;
    std::string section = BarSize::sectionFor("MainFrame", 40036);
    EXPECT_EQ(section, "MainFrame-SCBar-40036");
    BarSize current{{480, 240}, {480, 240}, {480, 240}};
    EXPECT_EQ(BarSize::load(profile, section, current, {10, 10}).horz.cy, 240);
    BarSize{{900, 180}, {200, 600}, {300, 5}}.save(profile, section);
    EXPECT_EQ(profile.readInt(section, "sizeHorzCY", 0), 180u);
    BarSize loaded = BarSize::load(profile, section, current, {40, 40});
    EXPECT_EQ(loaded.horz.cx, 900);
    EXPECT_EQ(loaded.vert.cy, 600);
    EXPECT_EQ(loaded.floating.cx, 300);
    EXPECT_EQ(loaded.floating.cy, 40);
}

// A bar of 240 beside windows that need 200: it keeps its height while they
// have room, gives way where they would not, and keeps a third of the space
// (and its own minimum) however short it is.
TEST(BarSize, ABarGivesWayToTheWindowsDownToAThirdOfTheSpace)
{
    const struct {
        int shared, given;
    } cases[] = {{600, 240}, {440, 240}, {351, 151}, {270, 90}, {150, 50}, {90, 40}};
    for (const auto& c : cases)
        EXPECT_EQ(BarSize::shareOf(240, c.shared, 200, 40), c.given) << c.shared;
}

TEST(WindowSections, AWindowTakesTheSmallestFreeNumberOfItsKind)
{
    WindowSections sections;
    auto first = std::make_unique<SectionLease>(sections, WindowSections::kRemoteWindow);
    SectionLease second(sections, WindowSections::kRemoteWindow);
    SectionLease local(sections, WindowSections::kLocalWindow);
    EXPECT_EQ(first->name(), "RemoteWindow0");
    EXPECT_EQ(second.name(), "RemoteWindow1");
    EXPECT_EQ(local.name(), "LocalWindow0");
    first.reset();
    SectionLease third(sections, WindowSections::kRemoteWindow);
    EXPECT_EQ(third.name(), "RemoteWindow0");
}

} // namespace
} // namespace varnix
