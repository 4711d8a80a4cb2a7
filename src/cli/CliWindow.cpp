#include "cli/CliWindow.h"

#include <utility>

namespace varnix::cli {

CliWindow::CliWindow(SiteHandle site, NoticeTarget target, std::function<void(CFTPSession*)> prepare)
    : WindowSession(std::move(site)), prepare_(std::move(prepare))
{
    setNoticeTarget(target);
}

void CliWindow::sessionCreated(CFTPSession* session)
{
    if (prepare_)
        prepare_(session);
}

} // namespace varnix::cli
