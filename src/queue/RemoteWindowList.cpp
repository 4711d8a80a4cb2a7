#include "queue/RemoteWindows.h"

#include "session/CFTPSession.h"

#include <algorithm>

namespace varnix {

void RemoteWindowList::activate(RemoteWindow* window)
{
    remove(window);
    windows_.insert(windows_.begin(), window);
}

void RemoteWindowList::remove(RemoteWindow* window)
{
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

CFTPSession* RemoteWindowList::acquire(const SiteHandle& site)
{
    if (!site)
        return nullptr;
    for (RemoteWindow* window : windows_)
        if (window->site().sameAs(site))
            return window->handOver();
    return nullptr;
}

// When every window of the site has a session of its own, the first one is
// still offered this one: it releases it and lists its folder again, as a
// window that takes one does. Otherwise a window would go on showing its
// folder as it was before a transfer into it ended.
void RemoteWindowList::giveBack(CFTPSession* session)
{
    if (!session)
        return;
    RemoteWindow* withSession = nullptr;
    for (RemoteWindow* window : windows_) {
        if (!window->site().sameAs(session->site()))
            continue;
        if (!window->hasSession()) {
            window->adopt(session);
            return;
        }
        if (!withSession)
            withSession = window;
    }
    if (withSession)
        withSession->adopt(session);
    else
        session->release();
}

} // namespace varnix
