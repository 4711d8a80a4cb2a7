#include "model/MachineTime.h"
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

struct Entry {
    const char* label;
    std::string_view line;
    std::string_view name;
    bool folder = false;
    bool link = false;
    std::string_view linkTarget = {};
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::uint32_t permissions = 0;
    std::string_view owner = {};
    std::string_view group = {};
};

const Entry kEntries[] = {
    {.label = "RFC 3659 file",
     .line = "Type=file;Size=25730;Modify=19940728095854;Perm=; capmux.tar.z",
     .name = "capmux.tar.z",
     .size = 25730, .modified = utcSeconds(1994, 7, 28, 9, 58) + 54},
    {.label = "RFC 3659 folder",
     .line = "Type=dir;Modify=19990112033515;Perm=el; bin",
     .name = "bin", .folder = true,
     .modified = utcSeconds(1999, 1, 12, 3, 35) + 15},
    {.label = "pyftpdlib, mode as Python writes it",
     .line = "modify=20240131101500;perm=r;size=1234;type=file;unique=803g1a2b;unix.gid=1000;unix.mode=0o644;"
     "unix.uid=1001; name with spaces\r\n",
     .name = "name with spaces", .size = 1234, .modified = utcSeconds(2024, 1, 31, 10, 15), .permissions = 0644,
     .owner = "1001", .group = "1000"},
    {.label = "ProFTPD link with names after numbers",
     .line = "modify=20240131101500;perm=adfrw;size=9;type=OS.unix=slink:/srv/data;unique=FD00U12;UNIX.group=100;"
     "UNIX.groupname=users;UNIX.mode=0777;UNIX.owner=1000;UNIX.ownername=alice; data",
     .name = "data", .link = true, .linkTarget = "/srv/data", .size = 9, .modified = utcSeconds(2024, 1, 31, 10, 15),
     .permissions = 0777, .owner = "alice", .group = "users"},
    {.label = "ProFTPD name before number",
     .line = "UNIX.ownername=bob;UNIX.owner=7;type=dir; d",
     .name = "d", .folder = true,
     .owner = "bob"},
    {.label = "Pure-FTPd",
     .line = "type=file;size=12345;modify=20240131101500;UNIX.mode=0644;UNIX.uid=1000;UNIX.gid=1000;"
     "unique=803g1a2b; file.txt",
     .name = "file.txt", .size = 12345, .modified = utcSeconds(2024, 1, 31, 10, 15),
     .permissions = 0644, .owner = "1000", .group = "1000"},
    {.label = "IIS, fractions of a second",
     .line = "type=file;modify=20240131101500.123;size=42; readme.txt",
     .name = "readme.txt",
     .size = 42, .modified = utcSeconds(2024, 1, 31, 10, 15)},
    {.label = "symlink without target",
     .line = "type=OS.UNIX=symlink;size=4; lnk",
     .name = "lnk", .link = true, .size = 4},
    {.label = "unix owner and group names",
     .line = "type=file;unix.owner=ftp;unix.group=ftp;unix.mode=100755; x",
     .name = "x",
     .permissions = 0755, .owner = "ftp", .group = "ftp"},
    {.label = "fact names and values in capitals",
     .line = "TYPE=DIR;SIZE=0;MODIFY=20000229235960; D",
     .name = "D", .folder = true,
     .modified = utcSeconds(2000, 3, 1)},
    {.label = "unknown type reads as a file",
     .line = "type=OS.unix=chr-13/29;size=0; null",
     .name = "null"},
    {.label = "leading blanks, trailing spaces, arrow",
     .line = "type=file;size=1;   a -> b  ",
     .name = "  a -> b  ", .size = 1},
    {.label = "semicolon and space in the name",
     .line = "type=file;size=2; a; b",
     .name = "a; b", .size = 2},
    {.label = "no facts at all",
     .line = " bare",
     .name = "bare"},
    {.label = "size above 4 GiB",
     .line = "type=file;size=18446744073709551615; huge",
     .name = "huge", .size = UINT64_MAX},
    {.label = "unknown and empty facts ignored",
     .line = "x.y=;type=file;unique=; f",
     .name = "f"},
    {.label = "Latin-1 name",
     .line = "type=file; caf\xe9",
     .name = "caf\xe9"},

};

const std::string_view kRejected[] = {
    "",
    "\r\n",
    "Type=cdir;Modify=19981107085215;Perm=el; /tmp",
    "Type=pdir;Modify=19990112030508;Perm=el; ..",
    "type=file;size=1; .",
    "type=file;size=1;",
    "type=file;size=1; ",
    "type=file size=1 f",
    "type=file;size=x; f",
    "type=file;size=-1; f",
    "type=file;size=18446744073709551616; f",
    "type=file;modify=2024013110150; f",
    "type=file;modify=20241331101500; f",
    "type=file;modify=20240131241500; f",
    "type=file;modify=20240131101500.; f",
    "type=file;modify=2024013110150x; f",
    "type=file;unix.mode=0999; f",
    "type=file;unix.mode=; f",
    "type=file;novalue; f",
    "=x;type=file; f",
    "type=file; a/b",
    "type=file; a\0b"sv,
};

TEST(MachineEntryTest, ParsesEveryFactOfServersEntries)
{
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3"); // UTC times must not move
    for (const Entry& c : kEntries) {
        SCOPED_TRACE(c.label);
        RemoteFile f = RemoteFile::parseMachineEntry(c.line);
        EXPECT_EQ(f.name(), c.name);
        EXPECT_EQ(f.isFolder(), c.folder);
        EXPECT_EQ(f.isLink(), c.link);
        EXPECT_EQ(f.linkTarget(), c.linkTarget);
        EXPECT_EQ(f.size(), c.size);
        EXPECT_EQ(f.modified(), c.modified);
        EXPECT_EQ(f.permissions(), c.permissions);
        EXPECT_EQ(f.owner(), c.owner);
        EXPECT_EQ(f.group(), c.group);
    }
}

TEST(MachineEntryTest, RejectsMalformedAndDotEntries)
{
    for (std::string_view line : kRejected) {
        SCOPED_TRACE(line);
        EXPECT_THROW(RemoteFile::parseMachineEntry(line), ListingLineRejected);
    }
}

TEST(MachineEntryTest, MachineTimesRoundTrip)
{
    for (std::int64_t t : {std::int64_t{0}, utcSeconds(2024, 1, 31, 10, 15) + 7, utcSeconds(2100, 12, 31)})
        EXPECT_EQ(varnix::parseMachineTime(varnix::formatMachineTime(t)), t);
    EXPECT_EQ(varnix::formatMachineTime(utcSeconds(1999, 2, 3, 4, 5) + 6), "19990203040506");
    EXPECT_FALSE(varnix::parseMachineTime("213 20240131101500"));
}

} // namespace
