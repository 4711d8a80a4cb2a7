#pragma once
// varnix-cli cannot ask anyone: a certificate that nothing vouches for is
// refused, and the message names the fingerprint to pass to --trust after
// checking it by other means.

#include "session/CertificateTrust.h"

namespace varnix::cli {

class CliCertificateAsker : public CertificateAsker {
public:
    TrustAnswer ask(const std::string&, const CertificateInfo&) override { return TrustAnswer::Refuse; }
    std::string refusal(const std::string& identity, const CertificateInfo& certificate) override
    {
        return refusalText(identity, certificate) + ". If it is the server's, run again with --trust " +
               certificate.fingerprint;
    }
};

} // namespace varnix::cli
