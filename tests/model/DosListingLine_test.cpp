#include "model/RemoteFile.h"

#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

using namespace std::string_view_literals;
using varnix::ListingLineRejected;
using varnix::RemoteFile;
using varnix::test::ScopedTimeZone;
using varnix::test::utcSeconds;

namespace {

struct Date {
    int year, month, day, hour = 0, minute = 0;
};

struct DosLine {
    const char* label;
    std::string_view line;
    std::string_view name;
    bool folder = false;
    std::uint64_t size = 0;
    Date date = {2024, 1, 31, 10, 15};
};

const DosLine kAccepted[] = {
    {.label = "IIS folder", .line = "01-31-24  10:15AM       <DIR>          name", .name = "name", .folder = true},
    {.label = "four-digit year, PM, name with spaces",
     .line = "01-31-2024  10:15PM            12345 name with spaces", .name = "name with spaces", .size = 12345,
     .date = {2024, 1, 31, 22, 15}},
    {.label = "twelve noon", .line = "01-31-24  12:05PM 1 f", .name = "f", .size = 1, .date = {2024, 1, 31, 12, 5}},
    {.label = "twelve midnight", .line = "01-31-24  12:05AM 1 f", .name = "f", .size = 1,
     .date = {2024, 1, 31, 0, 5}},
    {.label = "24-hour clock", .line = "12-24-1999  23:59   <dir>   xmas", .name = "xmas", .folder = true,
     .date = {1999, 12, 24, 23, 59}},
    {.label = "70 is 1970", .line = "01-01-70  12:00AM 0 epoch", .name = "epoch", .date = {1970, 1, 1}},
    {.label = "99 is 1999", .line = "07-04-99  09:30am 2 f", .name = "f", .size = 2, .date = {1999, 7, 4, 9, 30}},
    {.label = "00 is 2000", .line = "02-29-00  01:00AM 3 f", .name = "f", .size = 3, .date = {2000, 2, 29, 1, 0}},
    {.label = "single-digit month and day", .line = "1-5-24  1:02PM 4 f", .name = "f", .size = 4,
     .date = {2024, 1, 5, 13, 2}},
    {.label = "size above 4 GiB, CR LF", .line = "01-31-24  10:15AM  6442450944 big.iso\r\n", .name = "big.iso",
     .size = 6442450944ull},
    {.label = "arrow and trailing spaces kept", .line = "01-31-24  10:15AM 5 a -> b  ", .name = "a -> b  ",
     .size = 5},
};

const std::string_view kRejected[] = {
    "01-31-24  10:15AM       <DIR>",
    "01-31-24  10:15AM       <DIR>          ",
    "01-31-24  10:15AM       <DIR>          ..",
    "01-31-24  10:15AM 12345",
    "01-31-24  10:15AM 12x f",
    "01-31-24  10:15XM 1 f",
    "01-31-24  13:15PM 1 f",
    "01-31-24  00:15AM 1 f",
    "01-31-24  24:00 1 f",
    "01-31-24  10:60AM 1 f",
    "01-31-24  1015AM 1 f",
    "13-01-24  10:15AM 1 f",
    "00-01-24  10:15AM 1 f",
    "01-32-24  10:15AM 1 f",
    "01-31-2039  10:15AM 1 f",
    "01-31-24  10:15AM 18446744073709551616 f",
    "01-31-24  10:15AM 1 a/b",
    "01-31-24  10:15AM -1 f",
    "01-31-24",
};

TEST(DosListingLineTest, ParsesFieldsOfDosLines)
{
    ScopedTimeZone zone("UTC");
    for (const DosLine& c : kAccepted) {
        SCOPED_TRACE(c.label);
        RemoteFile f = RemoteFile::parse(c.line, 2030);
        EXPECT_EQ(f.name(), c.name);
        EXPECT_EQ(f.isFolder(), c.folder);
        EXPECT_FALSE(f.isLink());
        EXPECT_EQ(f.size(), c.size);
        EXPECT_EQ(f.modified(), utcSeconds(c.date.year, c.date.month, c.date.day, c.date.hour, c.date.minute));
    }
}

TEST(DosListingLineTest, RejectsMalformedDosLines)
{
    ScopedTimeZone zone("UTC");
    for (std::string_view line : kRejected) {
        SCOPED_TRACE(line);
        EXPECT_THROW(RemoteFile::parse(line, 2030), ListingLineRejected);
    }
}

TEST(DosListingLineTest, TimesAreTheListingsLocalTimes)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(RemoteFile::parse("07-01-24  12:00PM 1 f").modified(), utcSeconds(2024, 7, 1, 10, 0));
    EXPECT_EQ(RemoteFile::parse("01-01-1970  12:00AM 1 f").modified(), -3600);
}

} // namespace
