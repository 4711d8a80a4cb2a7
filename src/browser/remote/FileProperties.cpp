#include "browser/remote/FileProperties.h"

namespace varnix {

const std::array<PermissionBit, 9>& FileProperties::permissionBits()
{
    static constexpr std::array<PermissionBit, 9> bits{{
        {"Owner permissions", "Read", 0400},
        {"Owner permissions", "Write", 0200},
        {"Owner permissions", "Execute", 0100},
        {"Group permissions", "Read", 040},
        {"Group permissions", "Write", 020},
        {"Group permissions", "Execute", 010},
        {"Public permissions", "Read", 04},
        {"Public permissions", "Write", 02},
        {"Public permissions", "Execute", 01},
    }};
    return bits;
}

} // namespace varnix
