#pragma once
// Sessions wired to a recording target, for session and site-to-site tests.
// Header-only: it needs the session layer, which the support library does
// not link.

#include "platform/Profile.h"
#include "session/CFTPSession.h"
#include "site/LoginRegistry.h"
#include "support/FtpServer.h"
#include "support/RecordingTarget.h"

#include <gtest/gtest.h>

#include <string>

namespace varnix::test {

class SessionHarness {
public:
    ~SessionHarness()
    {
        for (CFTPSession* s : sessions_)
            s->release();
        EXPECT_TRUE(CFTPSession::waitForAllEnded(20000)) << "a session thread did not end";
    }

    SiteHandle site(const FtpServer& server, const std::string& user = {}, const std::string& password = {})
    {
        return site(server.host(), server.port(), user, password);
    }

    SiteHandle site(const std::string& host, std::uint16_t port, const std::string& user = {},
                    const std::string& password = {})
    {
        auto s = makeLocked<SiteContext>(host, std::to_string(port), user, password, registry, profile, global);
        LockedAccess<SiteContext>(s)->settings().setRecvTimeout(10);
        LockedAccess<SiteContext>(s)->settings().setSendTimeout(10);
        return s;
    }

    // A started session reporting to `target`; released by the destructor.
    CFTPSession* session(const SiteHandle& s)
    {
        CFTPSession* session = CFTPSession::create(s);
        session->setTarget(target.handle());
        session->start();
        sessions_.push_back(session);
        return session;
    }

    // Waits for the next NoticeDone / NoticeFailed / NoticeAborted of `from`
    // after `seen` such outcomes, and returns it.
    SessionNotice outcome(CFTPSession* from, std::size_t index = 0, int timeoutMs = 30000)
    {
        auto isOutcome = [from](const SessionNotice& n) {
            return n.sender == from && (n.kind == NoticeDone || n.kind == NoticeFailed || n.kind == NoticeAborted);
        };
        auto outcomes = [&](const std::vector<SessionNotice>& notices) {
            std::vector<SessionNotice> out;
            for (const auto& n : notices)
                if (isOutcome(n))
                    out.push_back(n);
            return out;
        };
        target.waitUntil([&](const auto& notices) { return outcomes(notices).size() > index; }, timeoutMs);
        auto all = outcomes(target.notices());
        if (all.size() <= index) {
            ADD_FAILURE() << "no outcome from the session";
            return {};
        }
        return all[index];
    }

    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
    RecordingTarget target;

private:
    std::vector<CFTPSession*> sessions_;
};

} // namespace varnix::test
