#include "cli/CliWindow.h"

#include "session/CFTPSession.h"

#include <utility>

namespace varnix::cli {

CliWindow::CliWindow(SiteHandle site, NoticeTarget target, std::function<void(CFTPSession*)> prepare)
    : site_(std::move(site)), target_(target), prepare_(std::move(prepare))
{
}

CliWindow::~CliWindow()
{
    if (session_)
        session_->release();
}

CFTPSession* CliWindow::session()
{
    if (!session_) {
        session_ = CFTPSession::create(site_);
        session_->setTarget(target_);
        if (prepare_)
            prepare_(session_);
        session_->start();
    }
    return session_;
}

CFTPSession* CliWindow::handOver()
{
    CFTPSession* given = session();
    given->setTarget(kNoTarget);
    session_ = nullptr;
    return given;
}

// No folder is on show here, so there is nothing to refresh.
void CliWindow::adopt(CFTPSession* offered)
{
    if (session_) {
        offered->release();
        return;
    }
    session_ = offered;
    session_->setTarget(target_);
}

} // namespace varnix::cli
