#include "platform/qt/QtDispatcher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace varnix {
namespace {

// Runs the event loop until `done` holds or five seconds pass.
bool spinUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(QtDispatcher, WorkerCallsRunOnTheLoopThreadInOrder)
{
    QtDispatcher dispatcher;
    EXPECT_FALSE(notice_targets::deliversOnCaller());
    QThread* ui = QThread::currentThread();
    std::vector<int> seen;
    std::atomic<bool> finished{false};
    std::intptr_t answer = 0;
    std::thread worker([&] {
        dispatcher.post([&] { seen.push_back(1); });
        answer = dispatcher.call([&]() -> std::intptr_t {
            seen.push_back(QThread::currentThread() == ui ? 2 : -2);
            return 666;
        });
        dispatcher.post([&] { seen.push_back(3); });
        finished = true;
    });
    ASSERT_TRUE(spinUntil([&] { return finished && seen.size() == 3; }));
    worker.join();
    EXPECT_EQ(answer, 666);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
    // On the loop's own thread a call runs at once.
    EXPECT_EQ(dispatcher.call([] { return std::intptr_t(7); }), 7);
}

TEST(QtDispatcher, ACallStillWaitingAtTheEndIsReleasedUnanswered)
{
    auto dispatcher = std::make_unique<QtDispatcher>();
    QtDispatcher* waiting = dispatcher.get();
    std::atomic<bool> ran{false}, calling{false};
    std::promise<std::intptr_t> answer;
    std::thread worker([&] {
        calling = true;
        answer.set_value(waiting->call([&]() -> std::intptr_t {
            ran = true;
            return 666;
        }));
    });
    // The loop never runs; give the worker time to queue its call.
    while (!calling)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dispatcher.reset();
    auto result = answer.get_future();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(result.get(), 0);
    worker.join();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(notice_targets::deliversOnCaller());
}

} // namespace
} // namespace varnix
