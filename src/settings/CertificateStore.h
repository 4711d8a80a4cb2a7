#pragma once
// Server certificates the user has accepted for good: one SHA-256
// fingerprint per site identity, in the profile's section "Certificates"
// under the lower-cased "user@host:port".

#include <string>
#include <string_view>

namespace varnix {

class Profile;

class CertificateStore {
public:
    explicit CertificateStore(Profile& profile) : profile_(profile) {}

    // The accepted fingerprint, or "" when none is stored.
    std::string accepted(std::string_view identity) const;
    void accept(std::string_view identity, std::string_view fingerprint);
    // The site's key: the same site typed in another case is the same site.
    static std::string keyOf(std::string_view identity);

    static constexpr std::string_view kSection = "Certificates";

private:
    Profile& profile_;
};

} // namespace varnix
