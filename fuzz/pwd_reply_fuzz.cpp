// PWD replies set the folder every later command is relative to, and SIZE
// replies the byte counts of transfers: a malformed reply must give nothing,
// never a path or number read from outside the reply.

#include "ftp/ReplyParsing.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkWorkingDirectory(std::string_view reply)
{
    std::optional<std::string> path = varnix::parseWorkingDirectory(reply);
    if (!path)
        return;
    require(path->size() + 6 <= reply.size());
    require(reply.substr(5, path->size()) == *path);
    // Quoted again, the path must read back as itself.
    require(varnix::parseWorkingDirectory("257 \"" + *path + "\" is current") == path);
}

void checkReplyNumber(std::string_view reply)
{
    std::optional<std::uint64_t> number = varnix::parseReplyNumber(reply);
    std::size_t digits = 0;
    while (reply.size() > 4 + digits && reply[4 + digits] >= '0' && reply[4 + digits] <= '9')
        ++digits;
    if (digits == 0) {
        require(!number);
    } else if (digits < 20) {
        require(number && *number == std::strtoull(std::string(reply.substr(4, digits)).c_str(), nullptr, 10));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    checkWorkingDirectory(input);
    checkReplyNumber(input);
    return 0;
}
