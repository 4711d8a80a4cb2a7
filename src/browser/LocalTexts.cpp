#include "browser/LocalTexts.h"

#include <cstdio>
#include <ctime>

namespace varnix {

std::string kilobytesText(std::uint64_t bytes)
{
    // Rounded up without the overflow that adding 1023 first would bring.
    std::string digits = std::to_string(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out + " KB";
}

std::string modifiedText(std::int64_t seconds)
{
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&time, &tm))
        return {};
    int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char text[80];
    std::snprintf(text, sizeof text, "%d/%d/%lld %d:%02d %s", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900LL, hour12,
                  tm.tm_min, tm.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string sizeColumnText(const LocalItem& item)
{
    return item.hasFileStatus && !item.isFolder ? kilobytesText(item.size) : std::string();
}

std::string modifiedColumnText(const LocalItem& item)
{
    return item.hasFileStatus ? modifiedText(item.modified) : std::string();
}

} // namespace varnix
