#include "browser/local/LocalSort.h"

#include "browser/ListColumns.h"

#include <algorithm>

namespace varnix {
namespace {

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Names as the desktop orders them: letters without regard to case, then
// byte-wise so that "a" and "A" still have an order.
int compareNames(const std::string& a, const std::string& b)
{
    auto less = [](char x, char y) { return (unsigned char)folded(x) < (unsigned char)folded(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less))
        return -1;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), less))
        return 1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

template <class T>
int compareValues(const T& a, const T& b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

// Ascending: negative when a comes first.
int compareAscending(const LocalItem& a, const LocalItem& b, int column)
{
    if (a.hasFileStatus != b.hasFileStatus)
        return a.hasFileStatus ? 1 : -1;
    if (a.isFolder != b.isFolder)
        return a.isFolder ? -1 : 1;
    switch (column) {
    case ListColumns::Name:
        return compareNames(a.name, b.name);
    case ListColumns::Size:
        return compareValues(a.size, b.size);
    case ListColumns::Type:
        return a.typeName.compare(b.typeName);
    case ListColumns::Modified:
        return compareValues(a.modified, b.modified);
    default:
        return 0;
    }
}

} // namespace

bool listedBefore(const LocalItem& a, const LocalItem& b, SortMode mode)
{
    int order = compareAscending(a, b, mode.column());
    return mode.descending() ? order > 0 : order < 0;
}

} // namespace varnix
