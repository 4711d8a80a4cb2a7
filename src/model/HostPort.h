#pragma once
// A host and a port written together, as in URLs, status texts and the
// quick-connect box: "example.org:21", "[2001:db8::1]:2121". An IPv6 address
// holds colons of its own, so it stands in brackets wherever a port may
// follow it (RFC 3986).

#include <optional>
#include <string>
#include <string_view>

namespace varnix {

struct HostPort {
    std::string host; // without brackets
    std::optional<std::string> port; // none when no colon followed the host
};

// The host as it stands before ":port": in brackets when it holds a colon.
std::string bracketedHost(std::string_view host);

// "host:port", with an IPv6 host in brackets.
std::string hostPortText(std::string_view host, std::string_view port);

// "host", "host:port", "[v6]" or "[v6]:port". None for an empty host, an
// unclosed or misplaced bracket, an unbracketed host with a colon in it, or
// anything but ":port" after the closing bracket. The port is not checked
// beyond being the text after the colon.
std::optional<HostPort> splitHostPort(std::string_view text);

} // namespace varnix
