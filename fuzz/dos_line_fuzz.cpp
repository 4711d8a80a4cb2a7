// DOS-style listing lines (IIS and other Windows servers) are whatever the
// server sends. Each line of the input gets a DOS date and time put before
// it, or is taken as it is, and is parsed as the listing reader parses it:
// an accepted entry must be sound, whichever parser took it.

#include "model/RemoteFile.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

using varnix::ListingLineRejected;
using varnix::RemoteFile;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::optional<RemoteFile> tryParse(std::string_view line)
{
    try {
        return RemoteFile::parse(line, 2001);
    } catch (const ListingLineRejected& rejected) {
        require(rejected.reason != nullptr);
        return std::nullopt;
    }
}

void check(std::string_view line)
{
    std::optional<RemoteFile> file = tryParse(line);
    std::optional<RemoteFile> withEnd = tryParse(std::string(line) + "\r\n");
    require(file.has_value() == withEnd.has_value());
    if (!file)
        return;
    const std::string& name = file->name();
    require(name == withEnd->name() && file->modified() == withEnd->modified() && file->size() == withEnd->size());
    require(!name.empty() && name != "." && name != "..");
    require(name.find_first_of(std::string_view("/\0\r\n", 4)) == std::string::npos);
    (void)file->dateText();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "Europe/Berlin", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        check(line);
        // Most random lines fail at the date; these reach the size and name.
        check("01-31-24  10:15AM " + std::string(line));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    return 0;
}
