#include "model/HostPort.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(HostPort, IpvSixHostsStandInBracketsBeforeAPort)
{
    EXPECT_EQ(hostPortText("example.org", "21"), "example.org:21");
    EXPECT_EQ(hostPortText("127.0.0.1", "2121"), "127.0.0.1:2121");
    EXPECT_EQ(hostPortText("::1", "2121"), "[::1]:2121");
    EXPECT_EQ(bracketedHost("2001:db8::1"), "[2001:db8::1]");
    auto split = splitHostPort("[::1]:2121");
    ASSERT_TRUE(split);
    EXPECT_EQ(split->host, "::1");
    EXPECT_EQ(split->port, "2121");
    EXPECT_EQ(splitHostPort("host")->port, std::nullopt);
    for (const char* bad : {"", "::1", "[::1", "[::1]x", "[]", "h[x]:1", "[::1]:2:3"})
        EXPECT_FALSE(splitHostPort(bad)) << bad;
}

} // namespace
} // namespace varnix
