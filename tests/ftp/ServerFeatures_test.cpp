#include "ftp/ServerFeatures.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(ServerFeatures, FeatureLinesAreNamesAndParametersWhateverTheirCase)
{
    auto features = ServerFeatures::parse("211-Extensions supported:\r\n"
                                          " EPSV\r\n"
                                          " hash SHA-256*;SHA-1;MD5  \r\n"
                                          "\r\n"
                                          "MDTM written without the leading space\r\n"
                                          "  REST STREAM\r\n"
                                          " \r\n"
                                          "211 END\r\n");
    EXPECT_TRUE(features.offers("epsv"));
    EXPECT_EQ(features.parameters("HASH"), "SHA-256*;SHA-1;MD5");
    EXPECT_EQ(features.parameters("REST"), "STREAM");
    EXPECT_FALSE(features.offers("MDTM"));
    EXPECT_FALSE(features.offers("211"));
    EXPECT_TRUE(ServerFeatures::parse("211 no features\r\n").empty());
    EXPECT_TRUE(ServerFeatures::parse("").empty());
}

} // namespace
} // namespace varnix
