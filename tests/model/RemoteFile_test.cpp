#include "model/RemoteFile.h"

#include "ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

using namespace std::string_view_literals;
using varnix::ListingLineRejected;
using varnix::RemoteFile;
using varnix::test::ScopedTimeZone;
using varnix::test::utcSeconds;

namespace {

constexpr int kThisYear = 2024;

struct Date {
    int year, month, day, hour = 0, minute = 0;
};

struct Accepted {
    const char* label;
    std::string_view line;
    std::string_view name;
    std::string_view linkTarget = {};
    bool folder = false;
    bool link = false;
    std::uint32_t permissions = 0x1A4;  // rw-r--r--
    std::uint64_t size = 0;
    Date date = {2001, 1, 1};
    std::uint32_t linkCount = 1;
    std::string_view owner = "o";
    std::string_view group = "g";
};

const Accepted kAccepted[] = {
    {.label = "folder with a time of day",
     .line = "drwxr-xr-x 2 ftp ftp 4096 Jan 5 12:30 pub",
     .name = "pub", .folder = true, .permissions = 0x1ED, .size = 4096,
     .date = {kThisYear, 1, 5, 12, 30}, .linkCount = 2, .owner = "ftp", .group = "ftp"},
    {.label = "link on a leap day",
     .line = "lrwxrwxrwx 1 ftp ftp 9 Feb 29 2000 data -> /srv/data",
     .name = "data", .linkTarget = "/srv/data", .link = true, .permissions = 0x1FF, .size = 9,
     .date = {2000, 2, 29}, .owner = "ftp", .group = "ftp"},
    {.label = "pyftpdlib layout",
     .line = "-rw-r--r--   1 owner    group        1234 Jan 05 12:30 name",
     .name = "name", .size = 1234, .date = {kThisYear, 1, 5, 12, 30},
     .owner = "owner", .group = "group"},
    {.label = "vsftpd layout, year right-aligned",
     .line = "drwxr-xr-x    2 0        0            4096 Mar 01  2019 pub",
     .name = "pub", .folder = true, .permissions = 0x1ED, .size = 4096,
     .date = {2019, 3, 1}, .linkCount = 2, .owner = "0", .group = "0"},
    {.label = "CR LF ending is not part of the name",
     .line = "-rw-r--r-- 1 o g 7 Jan 1 2001 crlf.txt\r\n", .name = "crlf.txt", .size = 7},
    {.label = "month in lower case",
     .line = "-rw-r--r-- 1 o g 0 jan 1 2001 f", .name = "f"},
    {.label = "month in upper case",
     .line = "-rw-r--r-- 1 o g 0 DEC 31 2001 f", .name = "f", .date = {2001, 12, 31}},
    {.label = "fields separated by tabs",
     .line = "-rw-r--r--\t1\to\tg\t0\tJan\t1\t2001 f", .name = "f"},
    {.label = "two spaces before the name keep one",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001  spaced", .name = " spaced"},
    {.label = "leading and trailing spaces kept",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001    both  ", .name = "   both  "},
    {.label = "tab inside the name kept",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001 a\tb", .name = "a\tb"},
    {.label = "arrow in a plain file's name is part of the name",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001 a -> b", .name = "a -> b"},
    {.label = "arrow in a folder's name is part of the name",
     .line = "drwxr-xr-x 1 o g 0 Jan 1 2001 x -> y", .name = "x -> y", .folder = true,
     .permissions = 0x1ED},
    {.label = "link split at the first arrow",
     .line = "lrwxrwxrwx 1 o g 0 Jan 1 2001 x -> y -> z", .name = "x", .linkTarget = "y -> z",
     .link = true, .permissions = 0x1FF},
    {.label = "link without an arrow keeps its whole text",
     .line = "lrwxrwxrwx 1 o g 0 Jan 1 2001 lonely", .name = "lonely", .link = true,
     .permissions = 0x1FF},
    {.label = "link target with spaces and CR LF",
     .line = "lrwxrwxrwx 1 o g 0 Jan 1 2001 l -> ../my docs\r\n", .name = "l",
     .linkTarget = "../my docs", .link = true, .permissions = 0x1FF},
    {.label = "Latin-1 byte, not UTF-8",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001 caf\xe9", .name = "caf\xe9"},
    {.label = "invalid UTF-8 bytes",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001 \xff\xfe\x80", .name = "\xff\xfe\x80"},
    {.label = "UTF-8 name",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2001 Gr\xc3\xbc\xc3\x9f" "e", .name = "Gr\xc3\xbc\xc3\x9f" "e"},
    {.label = "names that only look like dot entries",
     .line = "drwxr-xr-x 1 o g 0 Jan 1 2001 ...", .name = "...", .folder = true,
     .permissions = 0x1ED},
    {.label = "dot dot with a leading space is a real name",
     .line = "drwxr-xr-x 1 o g 0 Jan 1 2001  ..", .name = " ..", .folder = true,
     .permissions = 0x1ED},
    {.label = "setuid, setgid and sticky letters count as set",
     .line = "-rwsr-Sr-T 1 o g 0 Jan 1 2001 f", .name = "f", .permissions = 0x1ED},
    {.label = "eleven-character field: no bits, still a folder",
     .line = "drwxr-xr-x+ 1 o g 0 Jan 1 2001 acl", .name = "acl", .folder = true,
     .permissions = 0},
    {.label = "short field: no bits",
     .line = "-rw 1 o g 0 Jan 1 2001 f", .name = "f", .permissions = 0},
    {.label = "all bits clear",
     .line = "---------- 1 o g 0 Jan 1 2001 f", .name = "f", .permissions = 0},
    {.label = "text glued to the year is ignored",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 2000abc name", .name = "name", .date = {2000, 1, 1}},
    {.label = "text glued to the time is ignored",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 12:30xyz name", .name = "name",
     .date = {kThisYear, 1, 1, 12, 30}},
    {.label = "repeated colons in the time",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 12::30 f", .name = "f", .date = {kThisYear, 1, 1, 12, 30}},
    {.label = "time in the future stays in this year",
     .line = "-rw-r--r-- 1 o g 0 Dec 31 23:59 f", .name = "f",
     .date = {kThisYear, 12, 31, 23, 59}},
    {.label = "30 February is normalised",
     .line = "-rw-r--r-- 1 o g 0 Feb 30 2001 f", .name = "f", .date = {2001, 3, 2}},
    {.label = "minute 75 is normalised",
     .line = "-rw-r--r-- 1 o g 0 Jan 5 10:75 f", .name = "f", .date = {kThisYear, 1, 5, 11, 15}},
    {.label = "hour 25 is normalised",
     .line = "-rw-r--r-- 1 o g 0 Jan 5 25:00 f", .name = "f", .date = {kThisYear, 1, 6, 1, 0}},
    {.label = "first moment of 1970",
     .line = "-rw-r--r-- 1 o g 0 Jan 1 1970 f", .name = "f", .date = {1970, 1, 1}},
    {.label = "after the 32-bit limit of 2038",
     .line = "-rw-r--r-- 1 o g 0 Dec 31 2038 f", .name = "f", .date = {2038, 12, 31}},
    {.label = "size above 4 GiB",
     .line = "-rw-r--r-- 1 o g 4294967296 Jan 1 2001 big.iso", .name = "big.iso",
     .size = 4294967296ull},
    {.label = "largest 64-bit size",
     .line = "-rw-r--r-- 1 o g 18446744073709551615 Jan 1 2001 huge", .name = "huge",
     .size = UINT64_MAX},
    {.label = "large link count",
     .line = "drwxr-xr-x 4000000000 o g 0 Jan 1 2001 d", .name = "d", .folder = true,
     .permissions = 0x1ED, .linkCount = 4000000000u},
};

struct Rejected {
    const char* label;
    std::string_view line;
};

const Rejected kRejected[] = {
    {"empty line", ""},
    {"blank line", " \t\r\n"},
    {"summary line", "total 24"},
    {"dot entry", "drwxr-xr-x 2 o g 4096 Jan 1 2001 ."},
    {"dot dot entry", "drwxr-xr-x 2 o g 4096 Jan 1 2001 .."},
    {"dot dot entry with CR LF", "drwxr-xr-x 2 o g 4096 Jan 1 2001 ..\r\n"},
    {"link named dot dot", "lrwxrwxrwx 1 o g 1 Jan 1 2001 .. -> /"},
    {"31 December 1969", "-rw-r--r-- 1 o g 0 Dec 31 1969 f"},
    {"1 January 2039", "-rw-r--r-- 1 o g 0 Jan 1 2039 f"},
    {"tab before the name", "-rw-r--r-- 1 o g 0 Jan 1 2001\tf"},
    {"tab before the name after a time", "-rw-r--r-- 1 o g 0 Jan 1 12:30\tf"},
    {"unknown month", "-rw-r--r-- 1 o g 0 Foo 1 2001 f"},
    {"month written out", "-rw-r--r-- 1 o g 0 January 1 2001 f"},
    {"day 0", "-rw-r--r-- 1 o g 0 Jan 0 2001 f"},
    {"day 32", "-rw-r--r-- 1 o g 0 Jan 32 2001 f"},
    {"day not a number", "-rw-r--r-- 1 o g 0 Jan x 2001 f"},
    {"year not a number", "-rw-r--r-- 1 o g 0 Jan 1 abcd f"},
    {"time without minute", "-rw-r--r-- 1 o g 0 Jan 1 12: f"},
    {"time with letters for minutes", "-rw-r--r-- 1 o g 0 Jan 1 12:ab f"},
    {"time without hour", "-rw-r--r-- 1 o g 0 Jan 1 :30 f"},
    {"line ends after the size", "-rw-r--r-- 1 o g 0"},
    {"line ends after the day", "-rw-r--r-- 1 o g 0 Jan 1"},
    {"no link count", "-rw-r--r-- o g 0 Jan 1 2001 f"},
    {"negative size", "-rw-r--r-- 1 o g -1 Jan 1 2001 f"},
    {"size beyond 64 bits", "-rw-r--r-- 1 o g 18446744073709551616 Jan 1 2001 f"},
    {"device numbers instead of a size", "crw-rw-rw- 1 root root 1, 3 Jan 1 2001 null"},
    {"DOS date in a Unix field", "-rw-r--r-- 1 o g 0 01-05-24 12:30PM f"},
    {"no name", "-rw-r--r-- 1 o g 0 Jan 1 2001"},
    {"only a space for a name", "-rw-r--r-- 1 o g 0 Jan 1 2001 "},
    {"glued year and nothing after", "-rw-r--r-- 1 o g 0 Jan 1 2000abc"},
    {"link with an empty name", "lrwxrwxrwx 1 o g 0 Jan 1 2001  -> /etc"},
    {"name with a slash", "-rw-r--r-- 1 o g 0 Jan 1 2001 ../../etc/passwd"},
    {"link name with a slash", "lrwxrwxrwx 1 o g 0 Jan 1 2001 a/b -> c"},
    {"name with a NUL byte", "-rw-r--r-- 1 o g 0 Jan 1 2001 a\0b"sv},
};

class RemoteFileTest : public ::testing::Test {
protected:
    ScopedTimeZone zone_{"UTC"};
};

TEST_F(RemoteFileTest, ParsesEveryFieldOfAcceptedLines)
{
    for (const Accepted& c : kAccepted) {
        SCOPED_TRACE(c.label);
        RemoteFile f = RemoteFile::parse(c.line, kThisYear);
        EXPECT_EQ(f.name(), c.name);
        EXPECT_EQ(f.linkTarget(), c.linkTarget);
        EXPECT_EQ(f.isFolder(), c.folder);
        EXPECT_EQ(f.isLink(), c.link);
        EXPECT_EQ(f.permissions(), c.permissions);
        EXPECT_EQ(f.size(), c.size);
        EXPECT_EQ(f.modified(), utcSeconds(c.date.year, c.date.month, c.date.day, c.date.hour,
                                           c.date.minute));
        EXPECT_EQ(f.linkCount(), c.linkCount);
        EXPECT_EQ(f.owner(), c.owner);
        EXPECT_EQ(f.group(), c.group);
        EXPECT_EQ(f.typeText(), "");
        EXPECT_EQ(f.iconIndex(), -1);
    }
}

TEST_F(RemoteFileTest, RejectsLinesThatAreNoEntries)
{
    for (const Rejected& c : kRejected) {
        SCOPED_TRACE(c.label);
        EXPECT_THROW(RemoteFile::parse(c.line, kThisYear), ListingLineRejected);
    }
}

TEST_F(RemoteFileTest, TimeOfDayWithoutGivenYearUsesTheLocalClock)
{
    int year = RemoteFile::currentLocalYear();
    RemoteFile f = RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 5 12:30 f");
    // Straddling New Year's midnight between the two reads is the only way
    // this can disagree.
    int yearAfter = RemoteFile::currentLocalYear();
    EXPECT_TRUE(f.modified() == utcSeconds(year, 1, 5, 12, 30) ||
                f.modified() == utcSeconds(yearAfter, 1, 5, 12, 30));
}

TEST_F(RemoteFileTest, YearLinesDoNotNeedTheClock)
{
    EXPECT_EQ(RemoteFile::parse("-rw-r--r-- 1 o g 0 Mar 1 2019 f").modified(),
              utcSeconds(2019, 3, 1));
}

TEST_F(RemoteFileTest, AClockYearPast2038RejectsTimeOfDayLines)
{
    EXPECT_THROW(RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 5 12:30 f", 2039), ListingLineRejected);
    EXPECT_NO_THROW(RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 5 12:30 f", 2038));
}

TEST_F(RemoteFileTest, SetTypeFillsTypeAndIcon)
{
    RemoteFile f = RemoteFile::parse("lrwxrwxrwx 1 o g 0 Jan 1 2001 l -> d", kThisYear);
    f.setFolder(true);
    f.setType("Folder", 7);
    EXPECT_TRUE(f.isFolder());
    EXPECT_TRUE(f.isLink());
    EXPECT_EQ(f.typeText(), "Folder");
    EXPECT_EQ(f.iconIndex(), 7);
}

struct DateCase {
    const char* label;
    std::string_view line;
    std::string_view text;
};

std::string dateTextOf(std::string_view line, int year = kThisYear)
{
    return RemoteFile::parse(line, year).dateText();
}

TEST_F(RemoteFileTest, DateTextShowsTheTimeOnlyWhenNotMidnight)
{
    const DateCase cases[] = {
        {"midnight shows the date alone", "-rw-r--r-- 1 o g 0 Feb 29 2000 f", "2/29/2000"},
        {"afternoon", "-rw-r--r-- 1 o g 0 Jul 3 14:05 f", "7/3/2001 2:05 PM"},
        {"explicit midnight time", "-rw-r--r-- 1 o g 0 Jul 3 00:00 f", "7/3/2001"},
        {"half past midnight", "-rw-r--r-- 1 o g 0 Jul 3 00:30 f", "7/3/2001 12:30 AM"},
        {"noon", "-rw-r--r-- 1 o g 0 Jul 3 12:00 f", "7/3/2001 12:00 PM"},
        {"morning", "-rw-r--r-- 1 o g 0 Nov 23 09:07 f", "11/23/2001 9:07 AM"},
        {"last minute of the day", "-rw-r--r-- 1 o g 0 Dec 31 23:59 f", "12/31/2001 11:59 PM"},
        {"normalised minute", "-rw-r--r-- 1 o g 0 Jan 5 10:75 f", "1/5/2001 11:15 AM"},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(dateTextOf(c.line, 2001), c.text);
    }
}

TEST(RemoteFileZoneTest, ListingTimesAreLocalTimes)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    RemoteFile winter = RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 5 12:30 f", 2001);
    RemoteFile summer = RemoteFile::parse("-rw-r--r-- 1 o g 0 Jul 1 12:00 f", 2001);
    EXPECT_EQ(winter.modified(), utcSeconds(2001, 1, 5, 11, 30));
    EXPECT_EQ(summer.modified(), utcSeconds(2001, 7, 1, 10, 0));
    EXPECT_EQ(winter.dateText(), "1/5/2001 12:30 PM");
    EXPECT_EQ(summer.dateText(), "7/1/2001 12:00 PM");
}

TEST(RemoteFileZoneTest, FirstHourOf1970EastOfUtcIsBeforeTheEpoch)
{
    ScopedTimeZone zone("CET-1");
    RemoteFile f = RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 1 1970 f", 2001);
    EXPECT_EQ(f.modified(), -3600);
    EXPECT_EQ(f.dateText(), "1/1/1970");
}

TEST(RemoteFileZoneTest, DateTextFollowsTheZoneItIsShownIn)
{
    RemoteFile f = [] {
        ScopedTimeZone zone("UTC");
        return RemoteFile::parse("-rw-r--r-- 1 o g 0 Jan 5 23:30 f", 2001);
    }();
    ScopedTimeZone zone("CET-1");
    EXPECT_EQ(f.dateText(), "1/6/2001 12:30 AM");
}

}  // namespace
