#pragma once
// What a drag of remote rows carries between Varnix's windows: the process
// that built it, the window the rows were dragged from (its number in the
// table of drag sources, never an address), the folder it showed and the
// rows' entry names in ascending row order.
//
// The bytes may come from any program that puts data under the private
// format; decode() takes nothing on trust.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

struct DragPayload {
    std::int64_t process = 0;
    std::uint64_t window = 0;
    std::string folder;
    std::vector<std::string> names;

    bool operator==(const DragPayload&) const = default;
};

// The private drag-and-drop format: payloads dragged between Varnix's own
// windows travel under this MIME type beside the shell's text/uri-list.
inline constexpr std::string_view kDragPayloadType = "application/x-varnix";

// This process's number, as payloads carry it.
std::int64_t currentProcess();

std::string encodePayload(const DragPayload& payload);
// None for bytes that are not a whole payload of this format.
std::optional<DragPayload> decodePayload(std::string_view bytes);

} // namespace varnix
