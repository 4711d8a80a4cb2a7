#include "model/RemoteFile.h"

#include "model/ListingCursor.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

namespace varnix {

static_assert(sizeof(std::time_t) >= 8, "dates after January 2038 need a 64-bit time_t");

namespace {

struct ListingDate {
    std::int64_t year = 0;
    std::uint32_t month = 12;  // index 0..11; 12 for a word that is no month
    std::uint32_t day = 0;
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
};

[[noreturn]] void reject(const char* reason)
{
    throw ListingLineRejected{reason};
}

template <class T>
T need(std::optional<T> value, const char* reason)
{
    if (!value)
        reject(reason);
    return *value;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Locale-free on purpose: a Turkish or German locale must not change which
// listing lines parse.
std::uint32_t monthIndex(std::string_view word)
{
    static constexpr std::string_view months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                  "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() != 3)
        return 12;
    for (std::uint32_t i = 0; i < 12; ++i) {
        std::string_view m = months[i];
        if (asciiLower(word[0]) == m[0] && asciiLower(word[1]) == m[1] && asciiLower(word[2]) == m[2])
            return i;
    }
    return 12;
}

// Servers show the time of day instead of the year for recent files; the
// year is then the current one, even if that puts the date in the future.
void readYearOrTime(std::string_view token, const int* currentYear, ListingDate& date)
{
    ListingCursor part(token);
    if (!part.contains(':')) {
        date.year = need(part.number32(), "no year");
        return;
    }
    date.hour = need(part.number32(), "no hour");
    part.skipAll(':');
    date.minute = need(part.number32(), "no minute");
    date.year = currentYear ? *currentYear : RemoteFile::currentLocalYear();
}

void validate(const ListingDate& date)
{
    if (date.month > 11)
        reject("no month name");
    if (date.day < 1 || date.day > 31)
        reject("day out of range");
    if (date.year < 1970 || date.year > 2038)
        reject("year out of range");
}

// mktime normalises 30 February or minute 75 and lets the zone decide on
// daylight saving time.
std::int64_t localSeconds(const ListingDate& date)
{
    std::tm tm{};
    tm.tm_year = static_cast<int>(date.year - 1900);
    tm.tm_mon = static_cast<int>(date.month);
    tm.tm_mday = static_cast<int>(date.day);
    tm.tm_hour = static_cast<int>(date.hour);
    tm.tm_min = static_cast<int>(date.minute);
    tm.tm_isdst = -1;
    tm.tm_yday = -1;  // mktime sets it on success only; -1 is also a valid time
    std::time_t seconds = std::mktime(&tm);
    if (seconds == static_cast<std::time_t>(-1) && tm.tm_yday == -1)
        reject("time not representable");
    return static_cast<std::int64_t>(seconds);
}

// A name is later joined to local and remote paths: an empty one would
// stand for the folder itself and a slash would leave it.
void checkName(std::string_view name)
{
    if (name == "." || name == "..")
        reject("dot entry");
    if (name.empty())
        reject("empty name");
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        reject("name with a slash or NUL");
}

}  // namespace

RemoteFile RemoteFile::parse(std::string_view line)
{
    return parseLine(line, nullptr);
}

RemoteFile RemoteFile::parse(std::string_view line, int currentYear)
{
    return parseLine(line, &currentYear);
}

int RemoteFile::currentLocalYear()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&now, &tm))
        return 0;
    return tm.tm_year + 1900;
}

RemoteFile RemoteFile::parseLine(std::string_view line, const int* currentYear)
{
    RemoteFile file;
    ListingCursor cursor(line);
    std::string_view permissionField = need(cursor.token(), "no permission field");
    file.linkCount_ = need(cursor.number32(), "no link count");
    file.owner_ = need(cursor.token(), "no owner");
    file.group_ = need(cursor.token(), "no group");
    file.size_ = need(cursor.number64(), "no size or size too large");
    file.parseDate(cursor, currentYear);
    if (!cursor.skipOne(' '))
        reject("no space before the name");
    file.setKind(permissionField);
    file.parseName(cursor.rest());
    return file;
}

void RemoteFile::parseDate(ListingCursor& cursor, const int* currentYear)
{
    ListingDate date;
    date.month = monthIndex(need(cursor.token(), "no month"));
    date.day = need(cursor.number32(), "no day");
    readYearOrTime(need(cursor.token(), "no year or time"), currentYear, date);
    validate(date);
    modified_ = localSeconds(date);
}

void RemoteFile::setKind(std::string_view permissionField)
{
    isFolder_ = permissionField.front() == 'd';
    isLink_ = permissionField.front() == 'l';
    if (permissionField.size() != 10)
        return;
    for (std::size_t i = 1; i < 10; ++i) {
        if (permissionField[i] != '-')
            permissions_ |= 0x100u >> (i - 1);
    }
}

void RemoteFile::parseName(std::string_view rest)
{
    std::string_view name = rest.substr(0, rest.find_first_of("\r\n"));
    if (isLink_) {
        std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos) {
            linkTarget_ = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    }
    checkName(name);
    name_ = name;
}

void RemoteFile::setType(std::string typeText, int iconIndex)
{
    typeText_ = std::move(typeText);
    iconIndex_ = iconIndex;
}

std::string RemoteFile::dateText() const
{
    std::time_t seconds = static_cast<std::time_t>(modified_);
    std::tm tm{};
    if (!localtime_r(&seconds, &tm))
        return {};
    char text[80];
    long long year = tm.tm_year + 1900LL;
    if (tm.tm_hour == 0 && tm.tm_min == 0) {
        std::snprintf(text, sizeof text, "%d/%d/%lld", tm.tm_mon + 1, tm.tm_mday, year);
        return text;
    }
    int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    std::snprintf(text, sizeof text, "%d/%d/%lld %d:%02d %s", tm.tm_mon + 1, tm.tm_mday, year,
                  hour12, tm.tm_min, tm.tm_hour < 12 ? "AM" : "PM");
    return text;
}

}  // namespace varnix
