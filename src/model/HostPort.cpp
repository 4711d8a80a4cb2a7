#include "model/HostPort.h"

namespace varnix {

std::string bracketedHost(std::string_view host)
{
    if (host.find(':') == std::string_view::npos)
        return std::string(host);
    return "[" + std::string(host) + "]";
}

std::string hostPortText(std::string_view host, std::string_view port)
{
    return bracketedHost(host) + ":" + std::string(port);
}

std::optional<HostPort> splitHostPort(std::string_view text)
{
    HostPort split;
    std::string_view rest;
    if (!text.empty() && text[0] == '[') {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        split.host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!rest.empty() && rest[0] != ':')
            return std::nullopt;
    } else {
        std::size_t colon = text.find(':');
        split.host = text.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : text.substr(colon);
    }
    if (!rest.empty()) {
        split.port = std::string(rest.substr(1));
        if (split.port->find_first_of(":[]") != std::string::npos)
            return std::nullopt;
    }
    if (split.host.empty() || split.host.find_first_of("[]") != std::string::npos)
        return std::nullopt;
    return split;
}

} // namespace varnix
