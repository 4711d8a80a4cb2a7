#pragma once
// The private drag-and-drop format: items dragged between Varnix's own
// windows travel under this MIME type beside the shell's text/uri-list.

#include <string_view>

namespace varnix {

inline constexpr std::string_view kDragFormat = "application/x-varnix";

} // namespace varnix
