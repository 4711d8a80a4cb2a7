#pragma once
// Whether a list of lines (a command log, a row's statuses) holds one exactly.

#include <algorithm>
#include <string>
#include <vector>

namespace varnix::test {

inline bool hasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

} // namespace varnix::test
