#pragma once
// Notice targets: integer handles for the receivers of session notices.
//
// A worker thread never holds a pointer to a window. It sends a message to a
// handle; the handle is looked up in a process-wide table on the receiving
// (UI) thread, so a receiver that has gone away simply answers 0. Delivery is
// synchronous: the sender waits for the receiver's answer, which the UI
// dispatcher (if one is installed) obtains by running the receiver on the UI
// thread. Frequent updates (progress, counters) may instead be posted: the
// sender goes on at once and the call runs on the UI thread in its turn,
// after everything sent or posted before it.

#include <cstdint>
#include <functional>

namespace varnix {

using NoticeTarget = std::uint32_t;
constexpr NoticeTarget kNoTarget = 0;

// Message number of a session notice (an application message, 0x8000 + 666).
constexpr unsigned kSessionNoticeMessage = 0x829A;
// The answer by which a receiver takes ownership of a notice.
constexpr std::intptr_t kNoticeKept = 666;

class NoticeReceiver {
public:
    virtual ~NoticeReceiver() = default;
    virtual std::intptr_t receiveMessage(unsigned message, void* param) = 0;
};

// Runs a call on the UI thread and waits for its result.
class UiDispatcher {
public:
    virtual ~UiDispatcher() = default;
    virtual std::intptr_t call(const std::function<std::intptr_t()>& fn) = 0;
    // Queues a call behind every earlier call and returns without waiting.
    virtual void post(std::function<void()> fn)
    {
        (void)call([&]() -> std::intptr_t {
            fn();
            return 0;
        });
    }
};

namespace notice_targets {

// Registers a receiver; the handle stays valid until unregistered.
NoticeTarget add(NoticeReceiver* receiver);
// After this returns (on the UI thread) no further message reaches the receiver.
void remove(NoticeTarget target);
// Sends synchronously. Answers 0 when the target is none or gone.
std::intptr_t send(NoticeTarget target, unsigned message, void* param);
// Posts without waiting: deliver runs on the UI thread with the receiver, or
// with nullptr when the target is none or gone by then.
void post(NoticeTarget target, std::function<void(NoticeReceiver*)> deliver);
// Runs fn on the UI thread and waits for its result (on the calling thread,
// under the delivery lock, without a UI dispatcher): for a question a worker
// must put to the user. Either way such calls run one at a time.
std::intptr_t callOnUi(const std::function<std::intptr_t()>& fn);
// True without a UI dispatcher: every receiver runs on its sender's thread.
bool deliversOnCaller();
// Installs the dispatcher used by send; nullptr delivers on the calling thread.
void setDispatcher(UiDispatcher* dispatcher);

} // namespace notice_targets
} // namespace varnix
