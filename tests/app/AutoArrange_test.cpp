#include "app/AutoArrange.h"

#include "platform/Profile.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(AutoArrange, FirstStartTilesVerticallyAndChoicesPersist)
{
    MemoryProfile profile;
    AutoArrange arrange;
    arrange.load(profile);
    EXPECT_TRUE(arrange.enabled());
    EXPECT_EQ(arrange.step(), AutoArrange::Step::TileVertically);
    // Choosing a method while off only records it.
    arrange.toggle();
    arrange.choose(AutoArrange::Cascade);
    EXPECT_EQ(arrange.step(), AutoArrange::Step::None);
    arrange.toggle();
    EXPECT_EQ(arrange.step(), AutoArrange::Step::Cascade);
    arrange.save(profile);
    EXPECT_EQ(profile.readInt("MainFrame", "AutoMethod", 9), 0u);
    EXPECT_EQ(profile.readInt("MainFrame", "AutoArrange", 9), 1u);
}

TEST(AutoArrange, StoredMethodsMapToSteps)
{
    using Step = AutoArrange::Step;
    struct Case {
        std::uint32_t autoArrange, method;
        Step step;
    };
    for (Case c : {Case{1, 0, Step::Cascade}, Case{1, 1, Step::TileVertically}, Case{1, 2, Step::TileHorizontally},
                   Case{1, 3, Step::MaximizeActive}, Case{1, 4, Step::None}, Case{0, 3, Step::None}}) {
        MemoryProfile profile;
        profile.writeInt("MainFrame", "AutoArrange", c.autoArrange);
        profile.writeInt("MainFrame", "AutoMethod", c.method);
        AutoArrange arrange;
        arrange.load(profile);
        EXPECT_EQ(arrange.step(), c.step) << c.autoArrange << "/" << c.method;
    }
}

TEST(TileRects, CellsCoverTheAreaExactly)
{
    TileRect area{0, 0, 801, 600};
    // Two windows tiled vertically stand side by side.
    EXPECT_EQ(tileRects(2, area, true), (std::vector<TileRect>{{0, 0, 400, 600}, {400, 0, 401, 600}}));
    EXPECT_EQ(tileRects(2, area, false), (std::vector<TileRect>{{0, 0, 801, 300}, {0, 300, 801, 300}}));
    EXPECT_EQ(tileRects(1, {5, 5, 10, 10}, true), (std::vector<TileRect>{{5, 5, 10, 10}}));
    EXPECT_TRUE(tileRects(0, area, true).empty());
    // Five windows: three columns, the last two with two windows each.
    auto five = tileRects(5, area, true);
    ASSERT_EQ(five.size(), 5u);
    EXPECT_EQ(five[0], (TileRect{0, 0, 267, 600}));
    EXPECT_EQ(five[1], (TileRect{267, 0, 267, 300}));
    EXPECT_EQ(five[4], (TileRect{534, 300, 267, 300}));
    long covered = 0;
    for (const TileRect& r : tileRects(7, area, false))
        covered += long(r.width) * r.height;
    EXPECT_EQ(covered, 801L * 600);
}

// Cells that would be smaller than the minimum grow, and the area with them.
TEST(TileRects, CellsKeepTheMinimumWhereTheAreaIsTooSmall)
{
    const TileRect area{0, 0, 500, 300};
    const TileSize minimum{200, 180};
    EXPECT_EQ(tileRects(2, area, true, minimum), (std::vector<TileRect>{{0, 0, 250, 300}, {250, 0, 250, 300}}));
    EXPECT_EQ(tileRects(3, area, true, minimum)[2], (TileRect{400, 0, 200, 300}));
    EXPECT_EQ(tileRects(2, area, false, minimum)[1], (TileRect{0, 180, 500, 180}));
    EXPECT_EQ(tileRects(4, area, true, minimum)[3], (TileRect{250, 180, 250, 180}));
}

} // namespace
} // namespace varnix
