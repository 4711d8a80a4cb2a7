#pragma once
// What the engine asks before it logs in without encryption on a site that
// would have used TLS had the server offered it ("TLS when offered"), and
// who answers.
//
// Like the certificate question, the engine never asks the user itself: the
// installed check answers, the desktop program with a question and the
// command-line client with a warning line. Without an installed check the
// login goes ahead in plain FTP, as it always has.

#include <string>

namespace varnix {

// The status the engine reports before the check is asked.
inline constexpr const char* kPlainFtpWarning = "The server does not offer TLS: the login and files travel unencrypted";

class PlainFtpCheck {
public:
    virtual ~PlainFtpCheck() = default;
    // Called on the session's worker thread with no lock held, before the
    // user name goes; identity is the site's "user@host:port". False
    // disconnects without sending the password.
    virtual bool allow(const std::string& identity) = 0;
};

void installPlainFtpCheck(PlainFtpCheck* check);
PlainFtpCheck* installedPlainFtpCheck();

} // namespace varnix
