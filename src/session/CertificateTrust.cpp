#include "session/CertificateTrust.h"

#include "platform/NoticeTarget.h"

namespace varnix {

CertificateTrust::CertificateTrust(Profile& profile, CertificateAsker& asker) : store_(profile), asker_(asker)
{
}

CertificateVerdict CertificateTrust::check(const std::string& identity, const CertificateInfo& certificate)
{
    CertificateVerdict verdict;
    (void)notice_targets::callOnUi([&]() -> std::intptr_t {
        verdict = decide(identity, certificate);
        return 0;
    });
    return verdict;
}

void CertificateTrust::acceptForThisRun(const std::string& fingerprint)
{
    std::string normal = normalFingerprint(fingerprint);
    if (!normal.empty())
        anySite_.insert(normal);
}

std::string CertificateTrust::changedText(const std::string& identity, const std::string& accepted,
                                          const CertificateInfo& certificate)
{
    return "The certificate of " + identity + " HAS CHANGED since it was accepted, and is refused: someone may "
           "be listening in. Accepted SHA-256 fingerprint: " + accepted + "; offered now: " +
           certificate.fingerprint + (certificate.problem.empty() ? "" : " (" + certificate.problem + ")");
}

CertificateVerdict CertificateTrust::decide(const std::string& identity, const CertificateInfo& certificate)
{
    const std::string key = CertificateStore::keyOf(identity);
    if (certificate.fingerprint.empty())
        return {false, refusalText(identity, certificate)};
    auto once = acceptedOnce_.find(key);
    if (anySite_.count(certificate.fingerprint) || (once != acceptedOnce_.end() && once->second == certificate.fingerprint))
        return {true, {}};
    const std::string stored = store_.accepted(identity);
    if (stored == certificate.fingerprint)
        return {true, {}};
    if (!stored.empty()) {
        asker_.changed(identity, stored, certificate);
        return {false, changedText(identity, stored, certificate)};
    }
    switch (asker_.ask(identity, certificate)) {
    case TrustAnswer::AcceptForGood:
        store_.accept(identity, certificate.fingerprint);
        return {true, {}};
    case TrustAnswer::AcceptOnce:
        acceptedOnce_[key] = certificate.fingerprint;
        return {true, {}};
    case TrustAnswer::Refuse:
        break;
    }
    return {false, asker_.refusal(identity, certificate)};
}

} // namespace varnix
