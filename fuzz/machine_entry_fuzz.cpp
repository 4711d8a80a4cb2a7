// MLSD entries and MDTM times are whatever the server sends. Each line of
// the input is parsed as an MLSD entry: an accepted entry must be sound (a
// usable name, a date that can be shown, mode bits within 0777), and a
// machine time that parses must format and parse back to itself.

#include "model/MachineTime.h"
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
        return RemoteFile::parseMachineEntry(line);
    } catch (const ListingLineRejected& rejected) {
        require(rejected.reason != nullptr);
        return std::nullopt;
    }
}

void checkEntry(std::string_view line)
{
    std::optional<RemoteFile> file = tryParse(line);
    // The reader hands lines on with their CR LF; that must change nothing.
    std::optional<RemoteFile> withEnd = tryParse(std::string(line) + "\r\n");
    require(file.has_value() == withEnd.has_value());
    if (!file)
        return;
    const std::string& name = file->name();
    require(name == withEnd->name() && file->modified() == withEnd->modified() && file->size() == withEnd->size());
    require(!name.empty() && name != "." && name != "..");
    require(name.find_first_of(std::string_view("/\0\r\n", 4)) == std::string::npos);
    require(line.find(name) != std::string_view::npos);
    require(file->permissions() <= 0777u);
    require(!(file->isFolder() && file->isLink()));
    (void)file->dateText();
}

void checkTime(std::string_view text)
{
    std::optional<std::int64_t> seconds = varnix::parseMachineTime(text);
    if (!seconds)
        return;
    const std::string formatted = varnix::formatMachineTime(*seconds);
    if (formatted.empty()) // past year 9999
        return;
    require(formatted.size() == 14);
    require(varnix::parseMachineTime(formatted) == seconds);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        checkEntry(line);
        checkTime(line);
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    return 0;
}
