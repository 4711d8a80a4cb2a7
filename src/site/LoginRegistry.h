#pragma once
// The login records handed out so far: sites built from the same four
// strings share one LoginData.

#include "site/LoginData.h"
#include "site/SharedHandle.h"

#include <mutex>
#include <string_view>
#include <vector>

namespace varnix {

class LoginRegistry {
public:
    LockedHandle<LoginData> loginFor(std::string_view host, std::string_view port,
                                     std::string_view user, std::string_view password);
    std::size_t size() const;

    // The application's registry (the workspace hands this out).
    static LoginRegistry& application();

private:
    mutable std::mutex mutex_;
    std::vector<LockedHandle<LoginData>> logins_;
};

} // namespace varnix
