#pragma once
// A notice receiver for tests: records a copy of every session notice.

#include "platform/NoticeTarget.h"
#include "site/SessionNotice.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace varnix::test {

class RecordingTarget : public NoticeReceiver {
public:
    // keep: answer 666 and take ownership (the notice is then deleted here).
    explicit RecordingTarget(bool keep = false);
    ~RecordingTarget() override;

    NoticeTarget handle() const { return handle_; }
    std::intptr_t receiveMessage(unsigned message, void* param) override;

    std::vector<SessionNotice> notices() const;
    std::vector<SessionNotice> ofKind(NoticeKind kind) const;
    std::vector<std::string> texts(NoticeKind kind) const;
    std::size_t count(NoticeKind kind) const;
    void clear();
    // Waits (bounded) until a notice satisfies pred; false on time-out.
    bool waitFor(const std::function<bool(const SessionNotice&)>& pred, int timeoutMs = 20000);
    // Waits (bounded) until pred holds for everything received so far.
    bool waitUntil(const std::function<bool(const std::vector<SessionNotice>&)>& pred, int timeoutMs = 20000);
    bool waitForKind(NoticeKind kind, std::size_t count = 1, int timeoutMs = 20000);
    // Called for every notice on the delivering thread (optional).
    void onNotice(std::function<void(const SessionNotice&)> hook);

private:
    bool keep_;
    NoticeTarget handle_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<SessionNotice> notices_;
    std::function<void(const SessionNotice&)> hook_;
};

} // namespace varnix::test
