#include "session/PlainFtpConsent.h"

#include "platform/NoticeTarget.h"
#include "settings/CertificateStore.h"

namespace varnix {

PlainFtpConsent::PlainFtpConsent(Profile& profile, PlainFtpAsker& asker) : store_(profile), asker_(asker)
{
}

bool PlainFtpConsent::allow(const std::string& identity)
{
    std::lock_guard one(asking_);
    return notice_targets::callOnUi([&]() -> std::intptr_t { return decide(identity) ? 1 : 0; }) != 0;
}

bool PlainFtpConsent::decide(const std::string& identity)
{
    const std::string key = CertificateStore::keyOf(identity);
    if (allowedThisRun_.count(key) || store_.allowed(identity))
        return true;
    switch (asker_.ask(identity)) {
    case PlainFtpAnswer::AlwaysAllow:
        store_.allow(identity);
        [[fallthrough]];
    case PlainFtpAnswer::Continue:
        allowedThisRun_.insert(key);
        return true;
    case PlainFtpAnswer::Disconnect:
        break;
    }
    return false;
}

} // namespace varnix
