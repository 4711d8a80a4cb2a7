#pragma once
// What the remote window's path box lists: every folder shown so far and
// every folder above it, one item each, kept sorted by the full path (byte
// by byte, case-sensitive), each indented by its depth. Items are never
// removed while the window lives.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varnix {

class RemotePathBox {
public:
    struct Item {
        std::string path;   // "/pub/docs"
        std::string label;  // "docs"; the root is "/"
        int indent = 0;     // path components: "/" 0, "/pub" 1, "/pub/docs" 2
    };

    // Adds the path and every folder above it that is missing. Returns the
    // places of the new items in the list as it now stands, ascending: a
    // view that inserts its own items at those places, in that order, ends
    // up with the same list.
    std::vector<std::size_t> add(const std::string& path);

    std::optional<std::size_t> indexOf(const std::string& path) const;
    const std::vector<Item>& items() const { return items_; }

private:
    void addOne(const std::string& path, std::vector<std::string>& added);

    std::vector<Item> items_;
};

} // namespace varnix
