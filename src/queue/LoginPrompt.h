#pragma once
// Asking the user for new credentials after a server refused them. The GUI
// shows a modal dialog; the command-line client cannot ask and declines.

#include "site/SiteContext.h"

#include <string>

namespace varnix {

class LoginPrompt {
public:
    virtual ~LoginPrompt() = default;
    // Modal: shows `message` (the refusal) with the site's user name and
    // password. True for OK, and then the new user name and password are
    // already stored into the site's login data.
    virtual bool ask(const SiteHandle& site, const std::string& message) = 0;
};

// "Varnix - host:port - Login Prompt".
std::string loginPromptCaption(const SiteHandle& site);
// Stores into the shared login record, which every site built for the same
// login sees from then on.
void storeLogin(const SiteHandle& site, const std::string& user, const std::string& password);

} // namespace varnix
