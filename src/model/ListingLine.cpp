#include "model/ListingLine.h"

#include <ctime>

namespace varnix::listing {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

std::string_view withoutLineEnd(std::string_view line)
{
    return line.substr(0, line.find_first_of("\r\n"));
}

void validate(const LocalDate& date)
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
std::int64_t localSeconds(const LocalDate& date)
{
    std::tm tm{};
    tm.tm_year = static_cast<int>(date.year - 1900);
    tm.tm_mon = static_cast<int>(date.month);
    tm.tm_mday = static_cast<int>(date.day);
    tm.tm_hour = static_cast<int>(date.hour);
    tm.tm_min = static_cast<int>(date.minute);
    tm.tm_isdst = -1;
    tm.tm_yday = -1; // mktime sets it on success only; -1 is also a valid time
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

} // namespace varnix::listing
