// PASV replies name the address the data connection goes to, so whatever a
// server puts there must give a host and port and nothing worse; and an
// address written as a PORT argument must read back unchanged. EPSV replies
// name only a port, which must be a usable one and read back the same.

#include "ftp/ReplyParsing.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
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

    if (std::optional<std::uint16_t> port = varnix::parseExtendedPassiveReply(input)) {
        require(*port != 0);
        require(varnix::parseExtendedPassiveReply("229 (|||" + std::to_string(*port) + "|)") == port);
    }

    // The input as an address of its own, as the site-to-site copy passes one on.
    (void)varnix::formatPortArgument(std::string(input), std::uint16_t(size));
    return 0;
}
