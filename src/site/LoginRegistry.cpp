#include "site/LoginRegistry.h"

namespace varnix {

LockedHandle<LoginData> LoginRegistry::loginFor(std::string_view host, std::string_view port,
                                                std::string_view user, std::string_view password)
{
    std::lock_guard lock(mutex_);
    for (auto& login : logins_) {
        LockedAccess<LoginData> data(login);
        if (data->host == host && data->port == port && data->user == user && data->password == password)
            return login;
    }
    auto login = makeLocked<LoginData>(LoginData{std::string(host), std::string(port), std::string(user),
                                                 std::string(password)});
    logins_.push_back(login);
    return login;
}

std::size_t LoginRegistry::size() const
{
    std::lock_guard lock(mutex_);
    return logins_.size();
}

LoginRegistry& LoginRegistry::application()
{
    static LoginRegistry registry;
    return registry;
}

} // namespace varnix
