#include "browser/remote/FileProperties.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

std::string shown(const FileProperties& p)
{
    std::string out;
    for (const PermissionBit& b : FileProperties::permissionBits())
        out += p.has(b.bit) ? b.what.front() : '-';
    return out;
}

TEST(FileProperties, NineBoxesForTheNineBitsAndNoOthers)
{
    struct Case { std::uint32_t mode; const char* boxes; } cases[] = {
        {0755, "RWER-ER-E"}, {0, "---------"}, {0777, "RWERWERWE"}, {0640, "RW-R-----"}, {04711, "RWE--E--E"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shown(FileProperties{"o", "g", c.mode}), c.boxes) << std::oct << c.mode;

    // Unchecking and checking again touches one bit; set-user-id and sticky stay.
    FileProperties p{"o", "g", 05755};
    for (const PermissionBit& b : FileProperties::permissionBits()) {
        bool was = p.has(b.bit);
        p.set(b.bit, !was);
        p.set(b.bit, was);
    }
    EXPECT_EQ(p.mode, 05755u);
    p.set(02, true);
    p.set(0400, false);
    EXPECT_EQ(p.mode, 05357u);
}

} // namespace
} // namespace varnix
