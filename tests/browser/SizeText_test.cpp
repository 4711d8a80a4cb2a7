#include "browser/SizeText.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace varnix {
namespace {

TEST(SizeText, SizesInKilobytesRoundedUpWithThousandsCommas)
{
    struct Case { std::uint64_t bytes; const char* text; } cases[] = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1024, "1 KB"},
        {1025, "2 KB"},
        {999 * 1024, "999 KB"},
        {1000 * 1024, "1,000 KB"},
        {1234 * 1024 - 1, "1,234 KB"},
        {1234567ull * 1024, "1,234,567 KB"},
        // Sizes past 4 GiB are not cut short, and the largest does not overflow.
        {5ull << 30, "5,242,880 KB"},
        {1234ull << 30, "1,293,942,784 KB"},
        {~0ull, "18,014,398,509,481,984 KB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kilobyteText(c.bytes), c.text) << c.bytes;
}

} // namespace
} // namespace varnix
