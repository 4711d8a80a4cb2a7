#include "browser/local/LocalTexts.h"

#include "browser/SizeText.h"

#include <cstdio>
#include <ctime>

namespace varnix {

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
    return item.hasFileStatus && !item.isFolder ? kilobyteText(item.size) : std::string();
}

std::string modifiedColumnText(const LocalItem& item)
{
    return item.hasFileStatus ? modifiedText(item.modified) : std::string();
}

} // namespace varnix
