#include "net/CertificateCheck.h"

#include <atomic>
#include <cctype>

namespace varnix {
namespace {

std::atomic<CertificateCheck*> installed{nullptr};

constexpr std::size_t kFingerprintBytes = 32;

} // namespace

void installCertificateCheck(CertificateCheck* check)
{
    installed.store(check);
}

CertificateCheck* installedCertificateCheck()
{
    return installed.load();
}

std::string refusalText(const std::string& identity, const CertificateInfo& certificate)
{
    std::string text = "The certificate of " + identity + " is not trusted";
    if (!certificate.problem.empty())
        text += " (" + certificate.problem + ")";
    return text + ". SHA-256 fingerprint: " + certificate.fingerprint;
}

std::string normalFingerprint(const std::string& typed)
{
    std::string digits;
    for (char c : typed) {
        if (c == ':')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        digits += char(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() != 2 * kFingerprintBytes)
        return {};
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i)
            out += ':';
        out.append(digits, i, 2);
    }
    return out;
}

} // namespace varnix
