#include "platform/NoticeTarget.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace varnix::notice_targets {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<NoticeTarget, NoticeReceiver*> receivers;
    NoticeTarget next = 1;
    // Without a UI dispatcher receivers run on the senders' threads; this
    // keeps a receiver from being removed while one of them is inside it.
    std::recursive_mutex delivering;
};

Table& table()
{
    static Table instance;
    return instance;
}

std::atomic<UiDispatcher*> dispatcher{nullptr};

NoticeReceiver* lookUp(NoticeTarget target)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.receivers.find(target);
    return it == t.receivers.end() ? nullptr : it->second;
}

} // namespace

NoticeTarget add(NoticeReceiver* receiver)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    NoticeTarget handle = t.next++;
    if (t.next == kNoTarget)
        t.next = 1;
    t.receivers[handle] = receiver;
    return handle;
}

void remove(NoticeTarget target)
{
    Table& t = table();
    std::lock_guard guard(t.delivering);
    std::lock_guard lock(t.mutex);
    t.receivers.erase(target);
}

std::intptr_t send(NoticeTarget target, unsigned message, void* param)
{
    if (target == kNoTarget)
        return 0;
    // The receiver is looked up where it runs, so a receiver removed on the
    // UI thread while this call waited in its queue is never reached.
    auto deliver = [=]() -> std::intptr_t {
        NoticeReceiver* receiver = lookUp(target);
        return receiver ? receiver->receiveMessage(message, param) : 0;
    };
    return callOnUi(deliver);
}

void post(NoticeTarget target, std::function<void(NoticeReceiver*)> deliver)
{
    auto run = [target, deliver = std::move(deliver)] {
        deliver(target == kNoTarget ? nullptr : lookUp(target));
    };
    if (UiDispatcher* ui = dispatcher.load())
        return ui->post(std::move(run));
    std::lock_guard guard(table().delivering);
    run();
}

std::intptr_t callOnUi(const std::function<std::intptr_t()>& fn)
{
    if (UiDispatcher* ui = dispatcher.load())
        return ui->call(fn);
    std::lock_guard guard(table().delivering);
    return fn();
}

bool deliversOnCaller()
{
    return dispatcher.load() == nullptr;
}

void setDispatcher(UiDispatcher* d)
{
    dispatcher.store(d);
}

} // namespace varnix::notice_targets
