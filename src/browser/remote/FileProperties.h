#pragma once
// The owner, group and the nine permission bits of one remote entry, as the
// Properties dialog edits them. Each check box stands for one bit and writes
// only that bit back, so bits it does not show (set-user-id, sticky) stay
// as they were.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnix {

struct PermissionBit {
    std::string_view who;   // the group box: "Owner permissions", ...
    std::string_view what;  // the check box: "Read", "Write", "Execute"
    std::uint32_t bit;
};

struct FileProperties {
    std::string owner;
    std::string group;
    std::uint32_t mode = 0;

    static const std::array<PermissionBit, 9>& permissionBits();
    bool has(std::uint32_t bit) const { return (mode & bit) != 0; }
    void set(std::uint32_t bit, bool on) { mode = on ? (mode | bit) : (mode & ~bit); }

    bool operator==(const FileProperties&) const = default;
};

} // namespace varnix
