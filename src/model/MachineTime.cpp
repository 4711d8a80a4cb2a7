#include "model/MachineTime.h"

#include <cstdio>
#include <ctime>

namespace varnix {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool allDigits(std::string_view text)
{
    for (char c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// Fractions are at least one digit after the point.
bool validFraction(std::string_view fraction)
{
    return fraction.empty() || (fraction.size() >= 2 && fraction[0] == '.' && allDigits(fraction.substr(1)));
}

} // namespace

std::optional<std::int64_t> parseMachineTime(std::string_view text)
{
    if (text.size() < 14 || !allDigits(text.substr(0, 14)) || !validFraction(text.substr(14)))
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = digitsAt(text, 0, 4) - 1900;
    tm.tm_mon = digitsAt(text, 4, 2) - 1;
    tm.tm_mday = digitsAt(text, 6, 2);
    tm.tm_hour = digitsAt(text, 8, 2);
    tm.tm_min = digitsAt(text, 10, 2);
    tm.tm_sec = digitsAt(text, 12, 2);
    // A leap second (60) is allowed by the format; timegm carries it over.
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
        tm.tm_min > 59 || tm.tm_sec > 60)
        return std::nullopt;
    return static_cast<std::int64_t>(::timegm(&tm));
}

std::string formatMachineTime(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!gmtime_r(&t, &tm) || tm.tm_year + 1900LL < 0 || tm.tm_year + 1900LL > 9999)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

} // namespace varnix
