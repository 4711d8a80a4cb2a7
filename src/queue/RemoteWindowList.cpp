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

void RemoteWindowList::giveBack(CFTPSession* session)
{
    if (!session)
        return;
    for (RemoteWindow* window : windows_) {
        if (window->site().sameAs(session->site()) && !window->hasSession()) {
            window->adopt(session);
            return;
        }
    }
    session->release();
}

} // namespace varnix
