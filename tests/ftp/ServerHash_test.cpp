#include "ftp/ServerHash.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

using A = HashAlgorithm;
const std::string kSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kSha1 = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string kMd5 = "900150983cd24fb0d6963f7d28e17f72";

struct ReplyCase {
    std::string reply;
    A asked;
    std::optional<A> algorithm; // none: no digest to be read
    std::string hex;
};

TEST(ServerHash, RepliesGiveTheirDigestOrNothing)
{
    const ReplyCase cases[] = {
        // HASH: the reply names the algorithm, which may not be the one asked for.
        {"213 SHA-256 0-3 " + kSha256 + " abc.txt\r\n", A::Sha256, A::Sha256, kSha256},
        {"213 SHA-1 0-3 A9993E364706816ABA3E25717850C26C9CD0D89D my file\r\n", A::Sha256, A::Sha1, kSha1},
        {"213 CRC32 0-3 352441C2 cafe\r\n", A::Sha256, A::Crc32, "352441c2"},
        // X commands: the digest alone, or with the name before or after it.
        {"250 " + kMd5 + "\r\n", A::Md5, A::Md5, kMd5},
        {"213 " + kSha1 + " abc.txt\r\n", A::Sha1, A::Sha1, kSha1},
        {"250 abc.txt " + kSha256 + "\r\n", A::Sha256, A::Sha256, kSha256},
        {"250 XCRC successful 52441c2\r\n", A::Crc32, A::Crc32, "052441c2"},
        {"213-Computing\r\n213 " + kMd5 + "\r\n", A::Md5, A::Md5, kMd5},
        // Garbage.
        {"550 No such file.\r\n", A::Sha256, std::nullopt, ""},
        {"213 SHA-256 0-3 " + kSha1 + " abc\r\n", A::Sha256, std::nullopt, ""}, // wrong length
        {"250 " + kMd5.substr(1) + "g\r\n", A::Md5, std::nullopt, ""},
        {"213 \r\n", A::Sha256, std::nullopt, ""},
        {"213", A::Sha256, std::nullopt, ""},
        {"", A::Crc32, std::nullopt, ""},
        {"213 123456789\r\n", A::Crc32, std::nullopt, ""},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.reply);
        auto got = parseHashReply(c.reply, c.asked);
        ASSERT_EQ(got.has_value(), c.algorithm.has_value());
        if (got) {
            EXPECT_EQ(got->algorithm, *c.algorithm);
            EXPECT_EQ(got->hex, c.hex);
        }
    }
}

TEST(ServerHash, TheStrongestOfferIsChosenHashBeforeXCommands)
{
    auto choose = [](const std::string& lines) {
        return chooseHashMethod(ServerFeatures::parse("211-Features\r\n" + lines + "211 End\r\n"));
    };
    auto method = choose(" HASH CRC32;MD5*;SHA-1;SHA-256;SHA-512\r\n XSHA256\r\n");
    ASSERT_TRUE(method);
    EXPECT_EQ(method->algorithm, A::Sha256);
    EXPECT_TRUE(method->hashCommand);
    EXPECT_FALSE(method->selected);
    EXPECT_EQ(selectCommand(*method), "OPTS HASH SHA-256");
    EXPECT_EQ(hashCommand(*method, "a b"), "HASH a b");
    EXPECT_TRUE(choose(" HASH SHA-1*;MD5\r\n")->selected);

    method = choose(" XCRC\r\n XMD5\r\n XSHA1\r\n");
    ASSERT_TRUE(method);
    EXPECT_EQ(method->algorithm, A::Sha1);
    EXPECT_EQ(hashCommand(*method, "x"), "XSHA1 x");
    EXPECT_EQ(choose(" HASH SHA-512*;BLAKE\r\n XCRC\r\n")->algorithm, A::Crc32);
    EXPECT_FALSE(choose(" MDTM\r\n SIZE\r\n"));
}

} // namespace
} // namespace varnix
