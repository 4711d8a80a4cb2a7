#include "settings/CertificateStore.h"

#include "platform/Profile.h"

namespace varnix {

std::string CertificateStore::keyOf(std::string_view identity)
{
    return lowerCased(identity);
}

std::string CertificateStore::accepted(std::string_view identity) const
{
    return profile_.readString(kSection, keyOf(identity), {});
}

void CertificateStore::accept(std::string_view identity, std::string_view fingerprint)
{
    profile_.writeString(kSection, keyOf(identity), fingerprint);
    profile_.flush();
}

} // namespace varnix
