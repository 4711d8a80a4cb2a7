#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace varnix::test {

// Sets TZ for the scope of a test and puts the previous value back, so that
// local-time results do not depend on the machine running the tests.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (previous_)
            ::setenv("TZ", previous_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// Seconds since 1970 of a UTC date, computed without the local zone.
inline std::int64_t utcSeconds(int year, int month, int day, int hour = 0, int minute = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return static_cast<std::int64_t>(::timegm(&tm));
}

}  // namespace varnix::test
