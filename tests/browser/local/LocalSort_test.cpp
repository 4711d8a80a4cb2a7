#include "browser/local/LocalSort.h"
#include "browser/local/LocalTexts.h"
#include "model/ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace varnix {
namespace {

LocalItem entry(const char* name, bool folder, bool status, std::uint64_t size = 0, const char* type = "",
                std::int64_t modified = 0)
{
    LocalItem item;
    item.name = name;
    item.path = std::string("/f/") + name;
    item.isFolder = folder;
    item.hasFileStatus = status;
    item.size = size;
    item.typeName = type;
    item.modified = modified;
    return item;
}

std::string order(std::uint32_t mode)
{
    std::vector<LocalItem> items{
        entry("c.txt", false, true, 20, "Text", 50),  entry("Beta", true, true, 4096, "Folder", 70),
        entry("B.doc", false, true, 5, "Doc", 200),   entry("broken", false, false),
        entry("a.txt", false, true, 10, "Text", 100), entry("alpha", true, true, 4096, "Folder", 60),
        entry("Home", true, false),
    };
    std::stable_sort(items.begin(), items.end(),
                     [&](const LocalItem& a, const LocalItem& b) { return listedBefore(a, b, SortMode(mode)); });
    std::string out;
    for (const LocalItem& item : items)
        out += (out.empty() ? "" : " ") + item.name;
    return out;
}

// Entries without file status first, then folders, then files; descending
// turns all of it round.
TEST(LocalSort, GroupsFirstThenTheSortedColumn)
{
    struct Case { std::uint32_t mode; const char* order; } cases[] = {
        {0, "Home broken alpha Beta a.txt B.doc c.txt"},
        {16, "c.txt B.doc a.txt Beta alpha broken Home"},
        {1, "Home broken Beta alpha B.doc a.txt c.txt"},
        {2, "Home broken Beta alpha B.doc c.txt a.txt"},
        {3, "Home broken alpha Beta c.txt a.txt B.doc"},
        {19, "B.doc a.txt c.txt Beta alpha broken Home"},
        {5, "Home broken Beta alpha c.txt B.doc a.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(order(c.mode), c.order) << "mode " << c.mode;
    LocalItem same = entry("x", false, true, 1, "T", 1);
    EXPECT_FALSE(listedBefore(same, same, SortMode(0)));
    EXPECT_FALSE(listedBefore(same, same, SortMode(16)));
}

TEST(LocalTexts, SizesInKilobytesAndTimesInTheLocalStyle)
{
    test::ScopedTimeZone utc("UTC");
    struct Time { std::int64_t seconds; const char* text; } times[] = {
        {1015517100, "3/7/2002 4:05 PM"},
        {1015459200, "3/7/2002 12:00 AM"},
        {1041339540, "12/31/2002 12:59 PM"},
    };
    for (const Time& t : times)
        EXPECT_EQ(modifiedText(t.seconds), t.text) << t.seconds;

    LocalItem file = entry("f", false, true, 2048, "Text", 1015517100);
    EXPECT_EQ(sizeColumnText(file), "2 KB");
    EXPECT_EQ(modifiedColumnText(file), "3/7/2002 4:05 PM");
    LocalItem folder = entry("d", true, true, 4096, "Folder", 1015517100);
    EXPECT_EQ(sizeColumnText(folder), "");
    EXPECT_EQ(modifiedColumnText(folder), "3/7/2002 4:05 PM");
    LocalItem place = entry("Home", true, false, 4096, "", 1015517100);
    EXPECT_EQ(sizeColumnText(place) + modifiedColumnText(place), "");
}

} // namespace
} // namespace varnix
