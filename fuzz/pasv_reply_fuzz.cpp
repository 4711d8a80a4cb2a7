// PASV replies name the address the data connection goes to, so whatever a
// server puts there must give a host and port and nothing worse; and an
// address written as a PORT argument must read back unchanged.

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    varnix::PassiveAddress address = varnix::parsePassiveReply(input);
    require(address.host.size() <= size);
    require(address.host.find_first_of("(,") == std::string::npos);

    std::string argument = varnix::formatPortArgument(address.host, address.port);
    varnix::PassiveAddress again =
        varnix::parsePassiveReply("227 Entering Passive Mode (" + argument + ").\r\n");
    require(again.host == address.host && again.port == address.port);

    // The input as an address of its own, as the site-to-site copy passes one on.
    (void)varnix::formatPortArgument(std::string(input), std::uint16_t(size));
    return 0;
}
