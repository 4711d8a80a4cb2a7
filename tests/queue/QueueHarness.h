#pragma once
// A transfer queue wired to recording fakes of its view, its remote windows
// and its login prompt, with notices handled on the test's own thread.

#include "platform/MainLoopDispatcher.h"
#include "platform/Profile.h"
#include "queue/LoginPrompt.h"
#include "queue/QueueRows.h"
#include "queue/RemoteWindows.h"
#include "queue/TransferQueue.h"
#include "session/CFTPSession.h"
#include "site/LoginRegistry.h"
#include "support/FtpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace varnix::test {

// The rows as a view would show them, and every status each row went through.
class RecordingRows : public QueueRows {
public:
    struct Row {
        RowTexts texts;
        std::vector<std::string> statuses;
        std::string sizeAtRetry;   // the size shown at the last retry
        bool removed = false;
    };

    void addRow(const QueueItemHandle& item, const RowTexts& texts) override
    {
        rows_[item.get()] = Row{texts, {texts.status}, {}, false};
    }
    void setStatus(const QueueItemHandle& item, const std::string& status) override
    {
        Row& row = rows_.at(item.get());
        row.texts.status = status;
        row.statuses.push_back(status);
    }
    void setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure) override
    {
        setStatus(item, status);
        Row& row = rows_.at(item.get());
        row.texts.failure = failure;
        if (status == "Retry")
            row.sizeAtRetry = row.texts.size;
    }
    void updateProgress(const QueueItemHandle& item, const RowUpdate& u) override
    {
        Row& row = rows_.at(item.get());
        if (u.status && *u.status != row.texts.status)
            row.statuses.push_back(*u.status);
        row.texts.status = u.status.value_or(row.texts.status);
        row.texts.size = u.size.value_or(row.texts.size);
        row.texts.bandwidth = u.bandwidth.value_or(row.texts.bandwidth);
        row.texts.time = u.time.value_or(row.texts.time);
        row.texts.image = u.image.value_or(row.texts.image);
        ++progressUpdates;
    }
    void removeRow(const QueueItemHandle& item) override { rows_.at(item.get()).removed = true; }

    const Row& row(const QueueItemHandle& item) const { return rows_.at(item.get()); }
    std::string status(const QueueItemHandle& item) const { return row(item).texts.status; }
    const std::vector<std::string>& statuses(const QueueItemHandle& item) const { return row(item).statuses; }
    std::size_t count(const QueueItemHandle& item, const std::string& status) const
    {
        const auto& all = statuses(item);
        return std::size_t(std::count(all.begin(), all.end(), status));
    }
    int progressUpdates = 0;

private:
    std::map<const QueueItem*, Row> rows_;
};

// A remote window of one site: creates its session on demand, and on
// adopting one refreshes its folder, as the real window does.
class FakeWindow : public RemoteWindow, public NoticeReceiver {
public:
    explicit FakeWindow(SiteHandle site, std::string folder = "/")
        : site_(std::move(site)), folder_(std::move(folder)), handle_(notice_targets::add(this)) {}
    ~FakeWindow() override
    {
        notice_targets::remove(handle_);
        if (session_)
            session_->release();
    }

    const SiteHandle& site() const override { return site_; }
    bool hasSession() const override { return session_ != nullptr; }
    CFTPSession* handOver() override
    {
        ensureSession();
        session_->setTarget(kNoTarget);
        ++handedOver;
        return std::exchange(session_, nullptr);
    }
    void adopt(CFTPSession* session) override
    {
        ++adopted;
        if (session_) {
            session->release();
            return;
        }
        session_ = session;
        session_->setTarget(handle_);
        session_->List(folder_, "");
    }

    CFTPSession* ensureSession()
    {
        if (!session_) {
            session_ = CFTPSession::create(site_);
            session_->setTarget(handle_);
            session_->start();
        }
        return session_;
    }
    CFTPSession* session() const { return session_; }

    std::intptr_t receiveMessage(unsigned message, void* param) override
    {
        if (message == kSessionNoticeMessage) {
            auto* notice = static_cast<SessionNotice*>(param);
            if (notice->kind == NoticeDone || notice->kind == NoticeFailed || notice->kind == NoticeAborted)
                outcomes.push_back(notice->kind);
        }
        return 0;
    }

    int handedOver = 0;
    int adopted = 0;
    std::vector<NoticeKind> outcomes;

private:
    SiteHandle site_;
    std::string folder_;
    NoticeTarget handle_;
    CFTPSession* session_ = nullptr;
};

class FakePrompt : public LoginPrompt {
public:
    bool ask(const SiteHandle& site, const std::string& message) override
    {
        asked.push_back({site, message});
        if (confirm)
            storeLogin(site, user, password);
        return confirm;
    }

    struct Asked {
        SiteHandle site;
        std::string message;
    };
    std::vector<Asked> asked;
    bool confirm = true;
    std::string user, password;
};

class QueueHarness {
public:
    QueueHarness() : queue(std::make_unique<TransferQueue>(rows, windows, &prompt)) {}
    ~QueueHarness()
    {
        queue.reset();
        for (auto& w : ownedWindows)
            windows.remove(w.get());
        ownedWindows.clear();
        EXPECT_TRUE(runUntil([] { return CFTPSession::liveSessions() == 0; }, 20))
            << "a session thread did not end";
    }

    SiteHandle site(const FtpServer& server, const std::string& user = {}, const std::string& password = {})
    {
        auto s = makeLocked<SiteContext>(server.host(), std::to_string(server.port()), user, password, registry,
                                         profile, global);
        LockedAccess<SiteContext>(s)->settings().setRecvTimeout(10);
        LockedAccess<SiteContext>(s)->settings().setSendTimeout(10);
        LockedAccess<SiteContext>(s)->settings().setRetryCount(0);
        return s;
    }

    FakeWindow& window(const SiteHandle& site, const std::string& folder = "/")
    {
        ownedWindows.push_back(std::make_unique<FakeWindow>(site, folder));
        windows.activate(ownedWindows.back().get());
        return *ownedWindows.back();
    }

    // Handles notices until pred holds; false after `seconds`.
    bool runUntil(const std::function<bool()>& pred, int seconds = 30)
    {
        return dispatcher.runUntil(pred, std::chrono::seconds(seconds));
    }
    bool runUntilFinished(const QueueItemHandle& item, int seconds = 30)
    {
        return runUntil([&] { return !item->running(); }, seconds);
    }

    MainLoopDispatcher dispatcher;
    MemoryProfile profile;
    LoginRegistry registry;
    SettingsRecord global;
    RecordingRows rows;
    RemoteWindowList windows;
    FakePrompt prompt;
    std::vector<std::unique_ptr<FakeWindow>> ownedWindows;
    std::unique_ptr<TransferQueue> queue;
};

} // namespace varnix::test
