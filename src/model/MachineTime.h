#pragma once
// The time format of RFC 3659 (MDTM replies, the modify fact of MLSD, the
// argument of MFMT): YYYYMMDDHHMMSS with optional fractions of a second,
// always UTC.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

// Seconds since 1970 (fractions dropped), or none unless the text is
// exactly such a time with every field in range.
std::optional<std::int64_t> parseMachineTime(std::string_view text);

// "YYYYMMDDHHMMSS" in UTC; empty for a time after year 9999.
std::string formatMachineTime(std::int64_t seconds);

} // namespace varnix
