#pragma once
// Local paths built from a folder and a name, as transfers and the local
// windows name the files they make.

#include <string>
#include <string_view>

namespace varnix {

// `name` inside `folder`, with one '/' between them: "/a" and "b" give "/a/b",
// "/" and "b" give "/b".
std::string joinPath(std::string_view folder, std::string_view name);

} // namespace varnix
