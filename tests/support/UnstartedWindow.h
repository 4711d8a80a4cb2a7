#pragma once
// A remote window whose sessions are never started, so releasing one
// deletes it at once: for tests of who holds which session.

#include "queue/RemoteWindows.h"
#include "session/CFTPSession.h"

#include <utility>

namespace varnix::test {

class UnstartedWindow : public RemoteWindow {
public:
    explicit UnstartedWindow(SiteHandle site) : site_(std::move(site)) {}
    ~UnstartedWindow() override
    {
        if (session_)
            session_->release();
    }
    const SiteHandle& site() const override { return site_; }
    bool hasSession() const override { return session_ != nullptr; }
    CFTPSession* handOver() override
    {
        if (!session_)
            session_ = CFTPSession::create(site_);
        return std::exchange(session_, nullptr);
    }
    void adopt(CFTPSession* session) override
    {
        if (session_)
            session->release();
        else
            session_ = session;
        ++adopted;
    }

    CFTPSession* session_ = nullptr;
    int adopted = 0;

private:
    SiteHandle site_;
};

} // namespace varnix::test
