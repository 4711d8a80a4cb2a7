#include "app/HelpFiles.h"

#include "platform/Profile.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(HelpFiles, GuideBesideTheProgramComesBeforeTheInstalledOne)
{
    EXPECT_EQ(guideCandidates("/opt/varnix/bin/"),
              (std::vector<std::string>{"/opt/varnix/bin/help/guide.html", "/opt/varnix/bin/../share/varnix/help/guide.html"}));
}

TEST(HelpFiles, SupportAddressFromTheProfileWinsOverTheBuiltInOne)
{
    MemoryProfile profile;
    EXPECT_EQ(supportAddress(profile, "https://built.in/"), "https://built.in/");
    profile.writeString("MainFrame", "SupportAddress", "https://chosen.example/");
    EXPECT_EQ(supportAddress(profile, "https://built.in/"), "https://chosen.example/");
}

} // namespace
} // namespace varnix
