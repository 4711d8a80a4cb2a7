#pragma once
// A connection target exactly as the user typed it (the port stays text).

#include <string>

namespace varnix {

struct LoginData {
    std::string host;
    std::string port;
    std::string user;
    std::string password;
};

} // namespace varnix
