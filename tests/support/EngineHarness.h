#pragma once
// An FtpProtocol wired up as a session would wire it, for engine tests: its
// own global settings, profile and login registry, a site for the given
// server and a recording notice target. Header-only, because it needs the
// ftp layer, which the support library does not link.

#include "ftp/FtpProtocol.h"
#include "platform/Profile.h"
#include "site/LoginRegistry.h"
#include "support/RecordingTarget.h"

#include <string>

namespace varnix::test {

struct EngineHarness {
    EngineHarness(const std::string& host, std::uint16_t port, const std::string& user = {},
                  const std::string& password = {})
        : site(makeLocked<SiteContext>(host, std::to_string(port), user, password, registry, profile, global)),
          mailbox(nullptr),
          engine(&mailbox, site)
    {
        mailbox.setTarget(target.handle());
    }

    // Changes one of the site's own settings.
    void set(Setting s, std::uint32_t value) { LockedAccess<SiteContext>(site)->settings().set(s, value); }

    std::string log() const { return mailbox.protocolLog(); }

    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
    SiteHandle site;
    RecordingTarget target;
    SessionMailbox mailbox;
    FtpProtocol engine;
};

} // namespace varnix::test
