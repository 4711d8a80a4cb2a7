#include "queue/LoginPrompt.h"

#include "model/HostPort.h"

namespace varnix {

std::string loginPromptCaption(const SiteHandle& site)
{
    LoginData login = LockedAccess<SiteContext>(site)->loginCopy();
    return "Varnix - " + hostPortText(login.host, login.port) + " - Login Prompt";
}

void storeLogin(const SiteHandle& site, const std::string& user, const std::string& password)
{
    LockedAccess<SiteContext> context(site);
    LockedHandle<LoginData> handle = context->login();
    LockedAccess<LoginData> login(handle);
    login->user = user;
    login->password = password;
}

} // namespace varnix
