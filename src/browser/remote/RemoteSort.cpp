#include "browser/remote/RemoteSort.h"

#include "browser/ListColumns.h"
#include "model/RemoteFolder.h"

#include <algorithm>
#include <numeric>

namespace varnix {
namespace {

template <class T>
int compareValues(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// std::string compares bytes as unsigned char, so UTF-8 names order by code point.
int compareKeys(const RemoteFile& a, const RemoteFile& b, int column)
{
    switch (column) {
    case ListColumns::Name:
        return a.name().compare(b.name());
    case ListColumns::Size:
        return compareValues(a.size(), b.size());
    case ListColumns::Type:
        return a.typeText().compare(b.typeText());
    case ListColumns::Modified:
        return compareValues(a.modified(), b.modified());
    default:
        return 0;
    }
}

} // namespace

std::vector<std::uint32_t> sortedOrder(const RemoteFolder& folder, SortMode mode)
{
    std::vector<std::uint32_t> order(folder.count());
    std::iota(order.begin(), order.end(), 0u);
    const int column = mode.column();
    const bool descending = mode.descending();
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t i, std::uint32_t j) {
        const RemoteFile& a = folder.entry(i);
        const RemoteFile& b = folder.entry(j);
        if (a.isFolder() != b.isFolder())
            return a.isFolder() != descending;
        const int key = compareKeys(a, b, column);
        return descending ? key > 0 : key < 0;
    });
    return order;
}

} // namespace varnix
