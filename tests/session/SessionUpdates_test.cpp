// Progress and counter updates travel without blocking their session when the
// receiver runs on another thread; none of that may lose the newest numbers
// or reorder them against the notices around them.

#include "platform/MainLoopDispatcher.h"
#include "site/SessionMailbox.h"

#include "support/RecordingTarget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace varnix {
namespace {

using namespace std::chrono_literals;

struct ThreadedReceiver {
    MainLoopDispatcher dispatcher;
    test::RecordingTarget target{true};

    bool runUntil(const std::function<bool(const std::vector<SessionNotice>&)>& done)
    {
        return dispatcher.runUntil([&] { return done(target.notices()); }, 20s);
    }
};

bool endsWithDone(const std::vector<SessionNotice>& all)
{
    return !all.empty() && all.back().kind == NoticeDone;
}

TEST(SessionUpdates, ThreadedReceiverGetsTheNewestNumbersInOrderBeforeTheNextNotice)
{
    ThreadedReceiver ui;
    SessionMailbox mailbox;
    mailbox.setTarget(ui.target.handle());
    constexpr std::uint64_t kUpdates = 20000;
    std::thread worker([&] {
        mailbox.sendStatus("Opening data connection...");
        for (std::uint64_t moved = 1; moved <= kUpdates; ++moved)
            mailbox.sendProgress(moved, moved, 0, kUpdates, "file");
        mailbox.sendStatusUpdate("Receiving file list: 1");
        mailbox.sendStatusUpdate("Receiving file list: 2");
        mailbox.sendKind(NoticeDone);
    });
    ASSERT_TRUE(ui.runUntil(endsWithDone));
    worker.join();

    auto all = ui.target.notices();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.front().text, "Opening data connection...");
    std::uint64_t last = 0;
    std::size_t i = 1;
    for (; i < all.size() && all[i].kind == NoticeProgress; ++i) {
        EXPECT_GT(all[i].moved, last);
        EXPECT_EQ(all[i].text, "file");
        last = all[i].moved;
    }
    EXPECT_EQ(last, kUpdates);
    ASSERT_LT(i, all.size());
    EXPECT_EQ(all[i].kind, NoticeStatus);
    EXPECT_EQ(all[all.size() - 2].text, "Receiving file list: 2");
}

TEST(SessionUpdates, HeldUpdateGoesOutWhenTheSenderIsAboutToWait)
{
    ThreadedReceiver ui;
    SessionMailbox mailbox;
    mailbox.setTarget(ui.target.handle());
    std::atomic<bool> seen{false};
    std::thread worker([&] {
        for (std::uint64_t moved = 1; moved <= 3; ++moved)
            mailbox.sendProgress(moved, moved, 0, 10, {});
        mailbox.flushUpdates();
        // A stalled transfer: nothing more comes until the receiver has looked.
        while (!seen.load())
            std::this_thread::sleep_for(1ms);
        mailbox.sendKind(NoticeDone);
    });
    bool newest = ui.runUntil([](const std::vector<SessionNotice>& all) {
        return !all.empty() && all.back().kind == NoticeProgress && all.back().moved == 3;
    });
    seen = true;
    EXPECT_TRUE(newest);
    EXPECT_TRUE(ui.runUntil(endsWithDone));
    worker.join();
}

TEST(SessionUpdates, UpdateForAGoneReceiverIsDropped)
{
    MainLoopDispatcher dispatcher;
    auto target = std::make_unique<test::RecordingTarget>(true);
    SessionMailbox mailbox;
    mailbox.setTarget(target->handle());
    std::thread worker([&] {
        mailbox.sendProgress(1, 1, 0, 10, {});
        mailbox.flushUpdates();
    });
    worker.join();
    target.reset(); // the window closed before the queued update ran
    EXPECT_FALSE(dispatcher.runUntil([] { return false; }, 50ms));
}

TEST(SessionUpdates, WithoutADispatcherEveryUpdateArrivesAtOnce)
{
    test::RecordingTarget target;
    SessionMailbox mailbox;
    mailbox.setTarget(target.handle());
    for (std::uint64_t moved = 1; moved <= 100; ++moved)
        mailbox.sendProgress(moved, moved, 0, 100, {});
    EXPECT_EQ(target.count(NoticeProgress), 100u);
}

} // namespace
} // namespace varnix
