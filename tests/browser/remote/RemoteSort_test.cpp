#include "browser/remote/RemoteSort.h"

#include "model/RemoteFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace varnix {
namespace {

// name, size, day of January 2020, folder, type text
struct Entry {
    const char* name;
    std::uint64_t size;
    int day;
    bool folder;
    const char* type;
};

RemoteFolder& fill(RemoteFolder& folder, const std::vector<Entry>& entries)
{
    for (const Entry& e : entries) {
        std::string line = std::string(e.folder ? "d" : "-") + "rw-r--r-- 1 o g " + std::to_string(e.size) +
                           " Jan " + std::to_string(e.day) + " 2020 " + e.name;
        folder.append(RemoteFile::parse(line, 2020)).setType(e.type, 0);
    }
    return folder;
}

std::string shownOrder(const RemoteFolder& folder, std::uint32_t mode)
{
    std::string names;
    for (std::uint32_t i : sortedOrder(folder, SortMode(mode)))
        names += (names.empty() ? "" : " ") + folder.entry(i).name();
    return names;
}

TEST(RemoteSort, FoldersFirstAscendingAndLastDescendingWithEqualKeysInListingOrder)
{
    RemoteFolder folder;
    fill(folder, {
                     {"b.txt", 300, 3, false, "Text"},
                     {"Zeta", 4096, 1, true, "Folder"},
                     {"a.bin", 100, 2, false, "Binary"},
                     {"alpha", 4096, 5, true, "Folder"},
                     {"c.txt", 100, 2, false, "Text"},
                     {"\xc3\xa9t\xc3\xa9", 50, 9, false, "Text"},
                 });
    struct Case { std::uint32_t mode; const char* order; } cases[] = {
        // Byte order, case-sensitive: capitals before small letters, UTF-8 after ASCII.
        {0, "Zeta alpha a.bin b.txt c.txt \xc3\xa9t\xc3\xa9"},
        {16, "\xc3\xa9t\xc3\xa9 c.txt b.txt a.bin alpha Zeta"},
        {1, "Zeta alpha \xc3\xa9t\xc3\xa9 a.bin c.txt b.txt"},
        {17, "b.txt a.bin c.txt \xc3\xa9t\xc3\xa9 Zeta alpha"},
        {2, "Zeta alpha a.bin b.txt c.txt \xc3\xa9t\xc3\xa9"},
        {18, "b.txt c.txt \xc3\xa9t\xc3\xa9 a.bin Zeta alpha"},
        {3, "Zeta alpha a.bin c.txt b.txt \xc3\xa9t\xc3\xa9"},
        {19, "\xc3\xa9t\xc3\xa9 b.txt a.bin c.txt alpha Zeta"},
        // A column the list does not have sorts nothing but the folders.
        {7, "Zeta alpha b.txt a.bin c.txt \xc3\xa9t\xc3\xa9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shownOrder(folder, c.mode), c.order) << "mode " << c.mode;
}

} // namespace
} // namespace varnix
