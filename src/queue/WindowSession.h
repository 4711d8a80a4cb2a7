#pragma once
// A remote window's own session, as the window and the transfer queue see
// it: created when a command first needs it, handed over to a transfer (the
// window then forgets it and opens a new one when it next needs one), taken
// back when a transfer is done, and released with the window. The desktop
// window and varnix-cli's window both stand on this, so the two programs
// lend and take back connections alike.

#include "platform/NoticeTarget.h"
#include "queue/RemoteWindows.h"

namespace varnix {

class WindowSession : public RemoteWindow {
public:
    explicit WindowSession(SiteHandle site);
    // Releases the session, if there is one.
    ~WindowSession() override;
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    const SiteHandle& site() const override { return site_; }
    bool hasSession() const override { return session_ != nullptr; }
    // Gives up the session (creating one first when there is none); it
    // reports to no one until its new owner says otherwise.
    CFTPSession* handOver() override;
    // Takes the session as its own, or releases it when the window already
    // has one; either way the window then sees to its folder (adopted()).
    void adopt(CFTPSession* session) override;

    // The session, created, aimed at the notice target and started first
    // when there is none.
    CFTPSession* ensureSession();
    CFTPSession* session() const { return session_; }

protected:
    // Where the window's sessions report; set before the first one is made.
    void setNoticeTarget(NoticeTarget target) { target_ = target; }
    // A new session, before its thread starts.
    virtual void sessionCreated(CFTPSession*) {}
    virtual void adopted() {}

private:
    SiteHandle site_;
    NoticeTarget target_ = kNoTarget;
    CFTPSession* session_ = nullptr;
};

} // namespace varnix
