#pragma once
// The command-line client's connection to one site. To the transfer queue it
// is that site's remote window: it hands its session over for a transfer
// and takes it back afterwards, by the same rules as the desktop's remote
// window (WindowSession). No folder is on show here, so taking a session
// back lists nothing.

#include "queue/WindowSession.h"

#include <functional>
#include <string>

namespace varnix::cli {

class CliWindow : public WindowSession {
public:
    // New sessions report to `target`; `prepare` sees each before it starts.
    CliWindow(SiteHandle site, NoticeTarget target, std::function<void(CFTPSession*)> prepare);

    // The window's session, created on first use.
    CFTPSession* session() { return ensureSession(); }
    // What the server answered for the login folder, once asked.
    std::string loginFolder;

protected:
    void sessionCreated(CFTPSession* session) override;

private:
    std::function<void(CFTPSession*)> prepare_;
};

} // namespace varnix::cli
