// The DOS-style LIST lines of IIS and other Windows servers:
//   01-31-24  10:15AM       <DIR>          name
//   01-31-2024  22:15            12345 name with spaces
// The date is month-day-year in the server's local time, like the Unix
// format's; the name is everything after the size or <DIR> column's blanks.

#include "model/ListingCursor.h"
#include "model/ListingLine.h"
#include "model/RemoteFile.h"

namespace varnix {

using namespace listing;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One to `most` digits, then the separator (or the end for the last part).
bool digitRun(std::string_view& text, std::size_t most, char separator)
{
    std::size_t n = 0;
    while (n < text.size() && isDigit(text[n]))
        ++n;
    if (n == 0 || n > most)
        return false;
    text.remove_prefix(n);
    if (separator == 0)
        return text.empty();
    if (text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    return true;
}

// 70-99 are 1970-1999 and 00-69 2000-2069, as the two-digit years of such
// listings were meant.
std::int64_t fullYear(std::uint32_t year, std::size_t digits)
{
    if (digits > 2)
        return year;
    return year + (year >= 70 ? 1900 : 2000);
}

void readDate(std::string_view token, LocalDate& date)
{
    ListingCursor part(token);
    date.month = need(part.number32(), "no month") - 1;
    part.skipOne('-');
    date.day = need(part.number32(), "no day");
    part.skipOne('-');
    const std::size_t digits = part.rest().size();
    date.year = fullYear(need(part.number32(), "no year"), digits);
}

// "10:15AM", "12:00PM" (noon), "12:30AM" (just after midnight), or a
// 24-hour "22:15".
void readTime(std::string_view token, LocalDate& date)
{
    ListingCursor part(token);
    date.hour = need(part.number32(), "no hour");
    if (!part.skipOne(':'))
        reject("no colon in the time");
    date.minute = need(part.number32(), "no minute");
    const std::string_view half = part.rest();
    if (date.minute > 59)
        reject("minute out of range");
    if (half.empty()) {
        if (date.hour > 23)
            reject("hour out of range");
        return;
    }
    const bool pm = equalsIgnoringCase(half, "PM");
    if ((!pm && !equalsIgnoringCase(half, "AM")) || date.hour < 1 || date.hour > 12)
        reject("no AM or PM, or hour out of range");
    date.hour = date.hour % 12 + (pm ? 12 : 0);
}

} // namespace

bool RemoteFile::looksLikeDosLine(std::string_view line)
{
    std::string_view date = line.substr(0, line.find_first_of(" \t"));
    return digitRun(date, 2, '-') && digitRun(date, 2, '-') && (date.size() == 2 || date.size() == 4) &&
           digitRun(date, 4, 0);
}

RemoteFile RemoteFile::parseDosLine(std::string_view line)
{
    RemoteFile file;
    ListingCursor cursor(withoutLineEnd(line));
    LocalDate date;
    readDate(need(cursor.token(), "no date"), date);
    readTime(need(cursor.token(), "no time"), date);
    validate(date);
    file.modified_ = localSeconds(date);
    ListingCursor column = cursor;
    if (equalsIgnoringCase(column.token().value_or(""), "<DIR>")) {
        file.isFolder_ = true;
        cursor = column;
    } else {
        file.size_ = need(cursor.number64(), "no size or size too large");
    }
    std::string_view name = cursor.rest();
    if (name.empty() || !ListingCursor::isBlank(name.front()))
        reject("no blank before the name");
    while (!name.empty() && ListingCursor::isBlank(name.front()))
        name.remove_prefix(1);
    checkName(name);
    file.name_ = name;
    return file;
}

} // namespace varnix
