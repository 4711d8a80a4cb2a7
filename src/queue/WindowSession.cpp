#include "queue/WindowSession.h"

#include "session/CFTPSession.h"

#include <utility>

namespace varnix {

WindowSession::WindowSession(SiteHandle site) : site_(std::move(site)) {}

WindowSession::~WindowSession()
{
    if (session_)
        std::exchange(session_, nullptr)->release();
}

CFTPSession* WindowSession::ensureSession()
{
    if (!session_) {
        session_ = CFTPSession::create(site_);
        session_->setTarget(target_);
        sessionCreated(session_);
        session_->start();
    }
    return session_;
}

CFTPSession* WindowSession::handOver()
{
    CFTPSession* given = ensureSession();
    given->setTarget(kNoTarget);
    session_ = nullptr;
    return given;
}

void WindowSession::adopt(CFTPSession* offered)
{
    if (session_) {
        offered->release();
    } else {
        session_ = offered;
        session_->setTarget(target_);
    }
    adopted();
}

} // namespace varnix
