#include "platform/NoticeTarget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace varnix {
namespace {

struct Answering : NoticeReceiver {
    std::intptr_t receiveMessage(unsigned message, void* param) override
    {
        lastMessage = message;
        lastParam = param;
        return 42;
    }
    unsigned lastMessage = 0;
    void* lastParam = nullptr;
};

// Runs every call on its own thread, as the GUI runs them on the UI thread.
struct ThreadDispatcher : UiDispatcher {
    std::intptr_t call(const std::function<std::intptr_t()>& fn) override
    {
        std::intptr_t result = 0;
        std::thread ui([&] {
            uiThread = std::this_thread::get_id();
            result = fn();
        });
        ui.join();
        return result;
    }
    std::thread::id uiThread;
};

TEST(NoticeTarget, DeliversAndAnswersZeroOnceRemoved)
{
    Answering receiver;
    NoticeTarget handle = notice_targets::add(&receiver);
    int payload = 0;
    EXPECT_EQ(notice_targets::send(handle, kSessionNoticeMessage, &payload), 42);
    EXPECT_EQ(receiver.lastParam, &payload);
    notice_targets::remove(handle);
    EXPECT_EQ(notice_targets::send(handle, kSessionNoticeMessage, &payload), 0);
    EXPECT_EQ(notice_targets::send(kNoTarget, kSessionNoticeMessage, &payload), 0);
}

TEST(NoticeTarget, DispatcherRunsTheReceiverOnItsThread)
{
    struct Where : NoticeReceiver {
        std::intptr_t receiveMessage(unsigned, void*) override
        {
            thread = std::this_thread::get_id();
            return 1;
        }
        std::thread::id thread;
    } receiver;
    ThreadDispatcher dispatcher;
    notice_targets::setDispatcher(&dispatcher);
    NoticeTarget handle = notice_targets::add(&receiver);
    EXPECT_EQ(notice_targets::send(handle, kSessionNoticeMessage, nullptr), 1);
    notice_targets::setDispatcher(nullptr);
    notice_targets::remove(handle);
    EXPECT_EQ(receiver.thread, dispatcher.uiThread);
    EXPECT_NE(receiver.thread, std::this_thread::get_id());
}

TEST(NoticeTarget, RemovalWaitsForADeliveryInProgress)
{
    struct Slow : NoticeReceiver {
        std::intptr_t receiveMessage(unsigned, void*) override
        {
            inside.store(true);
            while (!release.load())
                std::this_thread::yield();
            done.store(true);
            return 7;
        }
        std::atomic<bool> inside{false}, release{false}, done{false};
    } receiver;
    NoticeTarget handle = notice_targets::add(&receiver);
    std::thread sender([&] { notice_targets::send(handle, kSessionNoticeMessage, nullptr); });
    while (!receiver.inside.load())
        std::this_thread::yield();
    std::thread remover([&] {
        notice_targets::remove(handle);
        EXPECT_TRUE(receiver.done.load());
    });
    receiver.release.store(true);
    sender.join();
    remover.join();
}

} // namespace
} // namespace varnix
