#pragma once
// varnix-cli cannot ask anyone: a site whose server does not offer TLS is
// used in plain FTP, after one line on standard error, before the password
// goes.

#include "session/PlainFtpConsent.h"

#include <cstdio>

namespace varnix::cli {

class CliPlainFtpAsker : public PlainFtpAsker {
public:
    PlainFtpAnswer ask(const std::string& identity) override
    {
        std::fprintf(stderr, "varnix-cli: warning: %s does not offer TLS: the login and files travel unencrypted\n",
                     identity.c_str());
        return PlainFtpAnswer::Continue;
    }
};

} // namespace varnix::cli
