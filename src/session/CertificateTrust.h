#pragma once
// How the programs answer the engine's question about a server certificate
// that the trust store and the host name do not vouch for.
//
// A certificate passes when the user accepted it earlier in this run, or for
// good (stored per site), or when its fingerprint was named up front (the
// command line's --trust). A site whose stored certificate has changed is
// refused loudly, naming both fingerprints: that is what an attacker in the
// middle looks like. Anything else is put to the user through the asker,
// the desktop's dialog or the command line's refusal.
//
// The decision runs on the UI thread, through the UI dispatcher, like all
// profile work and every question to the user.

#include "net/CertificateCheck.h"
#include "settings/CertificateStore.h"

#include <map>
#include <set>
#include <string>

namespace varnix {

enum class TrustAnswer { Refuse, AcceptOnce, AcceptForGood };

class CertificateAsker {
public:
    virtual ~CertificateAsker() = default;
    // On the UI thread; identity is "user@host:port".
    virtual TrustAnswer ask(const std::string& identity, const CertificateInfo& certificate) = 0;
    // What the user is told after a refusal.
    virtual std::string refusal(const std::string& identity, const CertificateInfo& certificate)
    {
        return refusalText(identity, certificate);
    }
    // On the UI thread, when a site's certificate differs from the one
    // accepted for good: it is refused without a question, but the user
    // must see both fingerprints in full, which a status line cannot hold.
    virtual void changed(const std::string& /*identity*/, const std::string& /*accepted*/,
                         const CertificateInfo& /*certificate*/)
    {
    }
};

class CertificateTrust : public CertificateCheck {
public:
    CertificateTrust(Profile& profile, CertificateAsker& asker);

    CertificateVerdict check(const std::string& identity, const CertificateInfo& certificate) override;
    // A fingerprint accepted for any site during this run; before the first check.
    void acceptForThisRun(const std::string& fingerprint);

    static std::string changedText(const std::string& identity, const std::string& accepted,
                                   const CertificateInfo& certificate);

private:
    CertificateVerdict decide(const std::string& identity, const CertificateInfo& certificate);

    CertificateStore store_;
    CertificateAsker& asker_;
    // Only decide() touches these after start-up, and checks reach it one at
    // a time: on the UI thread, or under the notice lock when there is none.
    std::set<std::string> anySite_;
    std::map<std::string, std::string> acceptedOnce_; // lower-cased identity -> fingerprint
};

} // namespace varnix
