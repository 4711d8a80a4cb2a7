#include "settings/PlainFtpStore.h"

#include "platform/Profile.h"
#include "settings/CertificateStore.h"

namespace varnix {

bool PlainFtpStore::allowed(std::string_view identity) const
{
    return profile_.readInt(kSection, CertificateStore::keyOf(identity), 0) != 0;
}

void PlainFtpStore::allow(std::string_view identity)
{
    profile_.writeInt(kSection, CertificateStore::keyOf(identity), 1);
    profile_.flush();
}

} // namespace varnix
