#pragma once
// Which listing names the engine acts on. A server chooses the names in its
// listings; a name that is empty, "." or "..", or that holds a '/', would
// make a folder walk write or delete outside the folder it was given.

#include <string_view>

namespace varnix {

inline bool isPlainEntryName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

} // namespace varnix
