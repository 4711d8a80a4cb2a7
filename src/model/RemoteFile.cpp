#include "model/RemoteFile.h"

#include "model/ListingCursor.h"
#include "model/ListingLine.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

namespace varnix {

static_assert(sizeof(std::time_t) >= 8, "dates after January 2038 need a 64-bit time_t");

using namespace listing;

namespace {

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
void readYearOrTime(std::string_view token, const int* currentYear, LocalDate& date)
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
    if (looksLikeDosLine(line))
        return parseDosLine(line);
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
    LocalDate date;
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
    std::string_view name = withoutLineEnd(rest);
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
