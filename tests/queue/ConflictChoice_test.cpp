#include "queue/ConflictChoice.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(ConflictChoice, CommandsStartWithOverwriteAndOfferAllOnlyForSeveralItems)
{
    ConflictChoice one = ConflictChoice::forCommand(true);
    EXPECT_EQ(one.action, ConflictOverwrite);
    EXPECT_EQ(one.skip, 0);
    EXPECT_EQ(one.onlyNewer, 0);
    EXPECT_EQ(one.applyToAll, -1);
    one.clickApplyToAll();
    EXPECT_EQ(one.applyToAll, -1);
    ConflictChoice many = ConflictChoice::forCommand(false);
    EXPECT_EQ(many.applyToAll, 0);
    many.clickApplyToAll();
    EXPECT_EQ(many.applyToAll, 1);
}

TEST(ConflictChoice, OnlyNewerGoesWithOverwriteAlone)
{
    ConflictChoice c = ConflictChoice::forCommand(true);
    c.clickResume();
    EXPECT_TRUE(c.resume());
    c.clickOnlyNewer();
    EXPECT_EQ(c.action, ConflictOverwrite);
    EXPECT_TRUE(c.newerOnly());
    c.clickRename();
    EXPECT_EQ(c.action, ConflictRename);
    EXPECT_FALSE(c.newerOnly());
    c.clickOnlyNewer();
    c.clickOverwrite();
    EXPECT_TRUE(c.newerOnly());
    c.clickOnlyNewer();
    EXPECT_FALSE(c.newerOnly());
    c.clickOnlyNewer();
    c.clickResume();
    EXPECT_FALSE(c.newerOnly());
    EXPECT_TRUE(c.resume());
}

} // namespace
} // namespace varnix
