#pragma once
// What the engine asks when a server's certificate is not vouched for by the
// system's trust store and the host name, and who answers.
//
// The engine runs on a session's worker thread and never asks the user
// itself: it hands the certificate to the installed check, which the desktop
// program answers with a dialog on its UI thread and the command-line client
// with its --trust option. Without an installed check every such
// certificate is refused, so verification is never skipped by default.

#include <string>

namespace varnix {

struct CertificateInfo {
    std::string subject;      // one line, "CN = ftp.example.org, O = Example"
    std::string issuer;
    std::string validFrom;    // "2026-01-31 12:00:00 UTC"
    std::string validUntil;
    std::string fingerprint;  // SHA-256 as openssl prints it: "AB:CD:...", 32 pairs
    std::string problem;      // why it is not trusted: "self-signed certificate", ...
};

struct CertificateVerdict {
    bool accepted = false;
    std::string refusal;      // shown to the user when not accepted
};

class CertificateCheck {
public:
    virtual ~CertificateCheck() = default;
    // Called on the session's worker thread with no lock held. identity is
    // the site's "user@host:port".
    virtual CertificateVerdict check(const std::string& identity, const CertificateInfo& certificate) = 0;
};

// The check sessions consult; nullptr (the default) refuses every untrusted
// certificate with refusalText.
void installCertificateCheck(CertificateCheck* check);
CertificateCheck* installedCertificateCheck();

// "The server's certificate is not trusted (self-signed certificate).
// SHA-256 fingerprint: AB:..." for the given site.
std::string refusalText(const std::string& identity, const CertificateInfo& certificate);

// A fingerprint as typed (colons optional, any case) in the form openssl
// prints; empty when it is not 32 hex pairs.
std::string normalFingerprint(const std::string& typed);

} // namespace varnix
