#pragma once
// The command-line client's connection to one site. To the transfer queue it
// is that site's remote window: it hands its session over for a transfer
// and takes it back afterwards.

#include "platform/NoticeTarget.h"
#include "queue/RemoteWindows.h"

#include <functional>
#include <string>

namespace varnix::cli {

class CliWindow : public RemoteWindow {
public:
    // New sessions report to `target`; `prepare` sees each before it starts.
    CliWindow(SiteHandle site, NoticeTarget target, std::function<void(CFTPSession*)> prepare);
    ~CliWindow() override;
    CliWindow(const CliWindow&) = delete;
    CliWindow& operator=(const CliWindow&) = delete;

    const SiteHandle& site() const override { return site_; }
    bool hasSession() const override { return session_ != nullptr; }
    CFTPSession* handOver() override;
    void adopt(CFTPSession* session) override;

    // The window's session, created on first use.
    CFTPSession* session();
    // What the server answered for the login folder, once asked.
    std::string loginFolder;

private:
    SiteHandle site_;
    NoticeTarget target_;
    std::function<void(CFTPSession*)> prepare_;
    CFTPSession* session_ = nullptr;
};

} // namespace varnix::cli
