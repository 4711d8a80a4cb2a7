#include "ftp/ReplyParsing.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <string>

namespace varnix {
namespace {

struct PassiveCase {
    const char* reply;
    const char* host;
    std::uint16_t port;
};

TEST(ReplyParsing, PassiveReplies)
{
    const PassiveCase cases[] = {
        {"227 Entering Passive Mode (192,168,1,2,7,138)\r\n", "192.168.1.2", 7 * 256 + 138},
        {"227 Entering Passive Mode (192,168,1,2,7,138).\r\n", "192.168.1.2", 1930},
        {"227 =(127,0,0,1,255,255)\r\n", "127.0.0.1", 65535},
        {"227 ok (10,0,0,1,0,21)\r\n", "10.0.0.1", 21},
        // The last '(' counts, so text in parentheses before the address does no harm.
        {"227 (x) now (1,2,3,4,0,80)\r\n", "1.2.3.4", 80},
        // A '(' without ')': no address at all, so the connect fails instead of going astray.
        {"227 Entering Passive Mode (192,168,1,2,7,138\r\n", "", 0},
        // Without '(' the text up to the last ')' is read as it stands.
        {"227 192,168,1,2,7,138)\r\n", "227 192.168.1.2", 1930},
        {"227 Entering Passive Mode\r\n", "", 0},
        {"", "", 0},
        {"227 (a,b,c)\r\n", "a", 0},
        {"227 ()\r\n", "", 0},
        {"227 (,,,,,)\r\n", "...", 0},
        // Numbers are read like atoi: leading digits, the rest ignored.
        {"227 (1,2,3,4, 7x,138y)\r\n", "1.2.3.4", 1930},
        // A high number out of range stays within 16 bits.
        {"227 (1,2,3,4,256,1)\r\n", "1.2.3.4", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        PassiveAddress address = parsePassiveReply(c.reply);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.port, c.port);
    }
}

struct DirectoryCase {
    const char* reply;
    std::optional<std::string> path;
};

TEST(ReplyParsing, WorkingDirectoryReplies)
{
    const DirectoryCase cases[] = {
        {"257 \"/home/a\" is the current directory.\r\n", "/home/a"},
        {"257 \"/\"\r\n", "/"},
        {"257 \"\"\r\n", ""},
        {"257 \"/with space/x\" ok\r\n", "/with space/x"},
        // A doubled quote is part of the name and stays doubled; the next single quote ends it.
        {"257 \"/a\"\"b\" is current\r\n", "/a\"\"b"},
        {"257 \"/a\"\"\"\"b\"\r\n", "/a\"\"\"\"b"},
        {"257 \"\"\"x\"\r\n", "\"\"x"},
        {"257 \"/a\" then \"/b\"\r\n", "/a"},
        // The quote must be the fifth character.
        {"257 /home/a\r\n", std::nullopt},
        {"257  \"/home/a\"\r\n", std::nullopt},
        {"257-\"/home/a\"\r\n", "/home/a"},
        {"257 ok \"/home/a\"\r\n", std::nullopt},
        // Unterminated, or ending in a doubled quote that never closes.
        {"257 \"/home/a\r\n", std::nullopt},
        {"257 \"/a\"\"\r\n", std::nullopt},
        {"257 \"/a\"\"", std::nullopt},
        {"257 \"", std::nullopt},
        {"257 ", std::nullopt},
        {"257", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(parseWorkingDirectory(c.reply), c.path);
    }
}

struct NumberCase {
    const char* reply;
    std::optional<std::uint64_t> value;
};

TEST(ReplyParsing, SizeReplies)
{
    const NumberCase cases[] = {
        {"213 0\r\n", 0},
        {"213 1234\r\n", 1234},
        {"213 1234 bytes\r\n", 1234},
        {"213 4294967295\r\n", 4294967295ull},
        {"213 4294967296\r\n", 4294967296ull},
        {"213 1099511627776\r\n", 1099511627776ull},
        {"213 18446744073709551614\r\n", 18446744073709551614ull},
        {"213 18446744073709551615\r\n", 18446744073709551615ull},
        // Beyond 64 bits the size is not known, rather than wrapped to a small number.
        {"213 18446744073709551616\r\n", std::nullopt},
        {"213 99999999999999999999999\r\n", std::nullopt},
        {"213 \r\n", std::nullopt},
        {"213 -5\r\n", std::nullopt},
        {"213  5\r\n", std::nullopt},
        {"213 x5\r\n", std::nullopt},
        {"213", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(parseReplyNumber(c.reply), c.value);
    }
}

struct PortCase {
    const char* address;
    std::uint16_t port;
    const char* argument;
};

TEST(ReplyParsing, PortArguments)
{
    const PortCase cases[] = {
        {"10.0.0.5", 4097, "10,0,0,5,16,1"},
        {"127.0.0.1", 21, "127,0,0,1,0,21"},
        {"192.168.1.2", 1930, "192,168,1,2,7,138"},
        {"255.255.255.255", 65535, "255,255,255,255,255,255"},
        {"0.0.0.0", 0, "0,0,0,0,0,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(formatPortArgument(c.address, c.port), c.argument);
    }
}

TEST(ReplyParsing, ExtendedPassiveReplies)
{
    const std::pair<const char*, std::optional<std::uint16_t>> cases[] = {
        {"229 Entering Extended Passive Mode (|||6446|)", 6446},
        {"229 Entering Extended Passive Mode (|||6446|).\r\n", 6446},
        {"229 (!!!1!)", 1},
        {"229 EPSV ok (#) (###65535#)", 65535},         // an earlier '(' that is no group
        {"229-Entering (|||21|)\r\n229 done\r\n", 21}, // multi-line
        {"229 (|||0|)", std::nullopt},                  // port 0
        {"229 (|||65536|)", std::nullopt},
        {"229 (|||999999|)", std::nullopt},
        {"229 (||||)", std::nullopt},                   // missing port
        {"229 (|||6446)", std::nullopt},                // no closing delimiter
        {"229 (|||6446|", std::nullopt},                // no ')'
        {"229 (|||64a6|)", std::nullopt},
        {"229 (|!|6446|)", std::nullopt},               // mixed delimiters
        {"229 (11164461)", std::nullopt},               // digits cannot delimit
        {"229 (   6446 )", std::nullopt},               // nor can a space
        {"229 (|2|::1|6446|)", std::nullopt},           // a server must not name an address
        {"229 Entering Extended Passive Mode", std::nullopt},
        {"", std::nullopt},
        {"(", std::nullopt},
    };
    for (const auto& [reply, port] : cases)
        EXPECT_EQ(parseExtendedPassiveReply(reply), port) << reply;
}

TEST(ReplyParsing, ExtendedPortArguments)
{
    EXPECT_EQ(formatExtendedPortArgument("127.0.0.1", 2121), "|1|127.0.0.1|2121|");
    EXPECT_EQ(formatExtendedPortArgument("::1", 65535), "|2|::1|65535|");
    EXPECT_EQ(formatExtendedPortArgument("2001:db8::5", 1), "|2|2001:db8::5|1|");
}

TEST(ReplyParsing, PortArgumentReadsBackAsTheSameAddress)
{
    const std::string reply = "227 (" + formatPortArgument("172.16.9.200", 50123) + ")";
    PassiveAddress address = parsePassiveReply(reply);
    EXPECT_EQ(address.host, "172.16.9.200");
    EXPECT_EQ(address.port, 50123);
}

} // namespace
} // namespace varnix
