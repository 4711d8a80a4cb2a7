#pragma once
// How the programs answer the engine's question before a login in plain
// FTP on a site that would have used TLS had the server offered it.
//
// A site the user allowed for good (stored per site identity) or earlier in
// this run logs in without a question, so the transfer queue's connections
// to a site the window was allowed to use are not asked about again. Any
// other site is put to the asker: the desktop's question, or the command
// line's warning. A refusal is not remembered: the next attempt asks again.

#include "ftp/PlainFtpCheck.h"
#include "settings/PlainFtpStore.h"

#include <mutex>
#include <set>
#include <string>

namespace varnix {

enum class PlainFtpAnswer { Disconnect, Continue, AlwaysAllow };

class PlainFtpAsker {
public:
    virtual ~PlainFtpAsker() = default;
    // On the UI thread; identity is "user@host:port".
    virtual PlainFtpAnswer ask(const std::string& identity) = 0;
};

class PlainFtpConsent : public PlainFtpCheck {
public:
    PlainFtpConsent(Profile& profile, PlainFtpAsker& asker);

    bool allow(const std::string& identity) override;

private:
    bool decide(const std::string& identity);

    PlainFtpStore store_;
    PlainFtpAsker& asker_;
    // Sessions to one site log in side by side; the second waits for the
    // first one's answer instead of opening a second question over it.
    // Only worker threads take it, never the UI thread that answers.
    std::mutex asking_;
    std::set<std::string> allowedThisRun_;  // lower-cased identities; UI thread
};

} // namespace varnix
