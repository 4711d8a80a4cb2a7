#pragma once
// The remote browser windows as the transfer queue sees them: places to
// borrow a connected session from and to give it back to.

#include "site/SiteContext.h"

#include <vector>

namespace varnix {

class CFTPSession;

// One remote window, connected through one SiteContext.
class RemoteWindow {
public:
    virtual ~RemoteWindow() = default;
    virtual const SiteHandle& site() const = 0;
    virtual bool hasSession() const = 0;
    // Gives up the window's session, creating one first if it has none; the
    // session no longer reports to the window, which opens a new one when it
    // next needs one.
    virtual CFTPSession* handOver() = 0;
    // Takes a session as its own: the window becomes its notice target and
    // refreshes its folder. A window that has a session releases the offered one.
    virtual void adopt(CFTPSession* session) = 0;
};

// Lends sessions to the queue and takes them back.
class RemoteWindows {
public:
    virtual ~RemoteWindows() = default;
    // The session of a window connected through exactly this SiteContext
    // (the same object), or none when there is no such window.
    virtual CFTPSession* acquire(const SiteHandle& site) = 0;
    // To a window of the session's site that has no session; else offered
    // to one that has (which releases it); released when the site has no
    // window.
    virtual void giveBack(CFTPSession* session) = 0;
};

// The open remote windows, most recently activated first.
class RemoteWindowList : public RemoteWindows {
public:
    void activate(RemoteWindow* window);
    void remove(RemoteWindow* window);
    RemoteWindow* current() const { return windows_.empty() ? nullptr : windows_.front(); }
    const std::vector<RemoteWindow*>& windows() const { return windows_; }

    CFTPSession* acquire(const SiteHandle& site) override;
    void giveBack(CFTPSession* session) override;

private:
    std::vector<RemoteWindow*> windows_;
};

} // namespace varnix
