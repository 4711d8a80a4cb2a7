#pragma once
// Rules every listing format shares: how a line is rejected, which names
// an entry may have and how a date of the listing's local clock becomes
// seconds since 1970. Used by the parsers of RemoteFile only.

#include "model/RemoteFile.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace varnix::listing {

struct LocalDate {
    std::int64_t year = 0;
    std::uint32_t month = 12; // index 0..11; 12 for a word that is no month
    std::uint32_t day = 0;
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
};

[[noreturn]] inline void reject(const char* reason)
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

inline char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The line without what follows its first CR or LF.
std::string_view withoutLineEnd(std::string_view line);

// Rejects dates the listing's clock cannot have meant (1970 to 2038).
void validate(const LocalDate& date);

// Seconds since 1970 of a date in the machine's local zone; rejects a date
// that is not representable.
std::int64_t localSeconds(const LocalDate& date);

// Rejects names that cannot be joined to a path: empty, "." and "..", and
// names with a slash or NUL.
void checkName(std::string_view name);

} // namespace varnix::listing
