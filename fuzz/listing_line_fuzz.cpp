// Listing lines are whatever the server sends. Each line of the input is
// parsed as the listing reader parses it; an accepted entry must be sound
// (a usable name, a date that can be shown) and must be found again in its
// folder by name.

#include "model/RemoteFile.h"
#include "model/RemoteFolder.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>

using varnix::ListingLineRejected;
using varnix::RemoteFile;
using varnix::RemoteFolder;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkEntry(const RemoteFile& file)
{
    const std::string& name = file.name();
    require(!name.empty() && name != "." && name != "..");
    require(name.find_first_of(std::string_view("/\0\r\n", 4)) == std::string::npos);
    (void)file.dateText();
}

std::optional<RemoteFile> tryParse(std::string_view line, const int* year)
{
    try {
        return year ? RemoteFile::parse(line, *year) : RemoteFile::parse(line);
    } catch (const ListingLineRejected& rejected) {
        require(rejected.reason != nullptr);
        return std::nullopt;
    }
}

bool sameEntry(const RemoteFile& a, const RemoteFile& b)
{
    return a.name() == b.name() && a.modified() == b.modified() && a.size() == b.size() &&
           a.linkTarget() == b.linkTarget() && a.isFolder() == b.isFolder() && a.isLink() == b.isLink() &&
           a.permissions() == b.permissions();
}

void parseInto(RemoteFolder& folder, std::map<std::string, std::size_t>& firstIndex, std::string_view line)
{
    static const int kYear = 2001;
    std::optional<RemoteFile> file = tryParse(line, &kYear);
    // The reader hands lines on with their CR LF; that must change nothing.
    std::optional<RemoteFile> withEnd = tryParse(std::string(line) + "\r\n", &kYear);
    require(file.has_value() == withEnd.has_value());
    if (!file)
        return;
    require(sameEntry(*file, *withEnd));
    checkEntry(*file);
    // The clock's year, for lines that give a time of day.
    if (std::optional<RemoteFile> now = tryParse(line, nullptr))
        checkEntry(*now);
    firstIndex.try_emplace(file->name(), folder.count());
    folder.append(std::move(*file));
}

void checkLookups(const RemoteFolder& folder, const std::map<std::string, std::size_t>& firstIndex)
{
    for (std::size_t i = 0; i < folder.count(); ++i) {
        const RemoteFile* found = folder.find(folder.entry(i).name());
        require(found == &folder.entry(firstIndex.at(folder.entry(i).name())));
    }
    require(folder.find("") == nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A zone east of UTC with daylight saving time: dates in the first hours
    // of 1970 go negative and spring's missing hour exists.
    setenv("TZ", "Europe/Berlin", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    RemoteFolder folder;
    std::map<std::string, std::size_t> firstIndex;
    while (!input.empty()) {
        std::size_t end = input.find('\n');
        parseInto(folder, firstIndex, input.substr(0, end));
        input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    }
    checkLookups(folder, firstIndex);
    folder.buildIcons();
    for (const RemoteFile& file : folder)
        require(!file.typeText().empty() && file.iconIndex() >= 0);
    return 0;
}
