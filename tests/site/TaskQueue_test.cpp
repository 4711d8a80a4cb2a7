#include "site/SessionMailbox.h"
#include "site/TaskQueue.h"

#include "support/RecordingTarget.h"

#include <gtest/gtest.h>

#include <thread>

namespace varnix {
namespace {

struct NamedTask : SessionTask {
    NamedTask(std::string name, int* deleted = nullptr) : name(std::move(name)), deleted(deleted) {}
    ~NamedTask() override
    {
        if (deleted)
            ++*deleted;
    }
    void execute(FtpProtocol&) override {}
    std::string describe() const override { return name; }
    std::string name;
    int* deleted;
};

TEST(TaskQueue, TasksComeOutInPostingOrder)
{
    TaskQueue queue;
    for (auto name : {"a", "b", "c"})
        queue.post(std::make_unique<NamedTask>(name));
    EXPECT_TRUE(queue.hasPending());
    for (auto name : {"a", "b", "c"}) {
        auto task = queue.take(0);
        ASSERT_TRUE(task);
        EXPECT_EQ(task->describe(), name);
    }
    EXPECT_FALSE(queue.hasPending());
    EXPECT_FALSE(queue.take(0));
}

TEST(TaskQueue, ClearDeletesWithoutRunning)
{
    TaskQueue queue;
    int deleted = 0;
    for (int i = 0; i < 3; ++i)
        queue.post(std::make_unique<NamedTask>("t", &deleted));
    queue.clear();
    EXPECT_EQ(deleted, 3);
    EXPECT_FALSE(queue.hasPending());
}

TEST(TaskQueue, TakeWaitsForAPostFromAnotherThread)
{
    TaskQueue queue;
    std::thread poster([&] { queue.post(std::make_unique<NamedTask>("late")); });
    auto task = queue.take(20000);
    poster.join();
    ASSERT_TRUE(task);
    EXPECT_EQ(task->describe(), "late");
}

TEST(TaskQueue, ConcurrentPostersLoseNothing)
{
    TaskQueue queue;
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                queue.post(std::make_unique<NamedTask>("x"));
        });
    int taken = 0;
    while (taken < 1000 && queue.take(20000))
        ++taken;
    for (auto& t : posters)
        t.join();
    EXPECT_EQ(taken, 1000);
    EXPECT_FALSE(queue.hasPending());
}

TEST(SessionMailbox, NoticeWithoutTargetIsDropped)
{
    SessionMailbox mailbox;
    mailbox.sendStatus("nobody listens");   // must not leak (checked under sanitizers)
    test::RecordingTarget target;
    mailbox.setTarget(target.handle());
    mailbox.sendStatus("heard");
    EXPECT_EQ(target.texts(NoticeStatus), std::vector<std::string>{"heard"});
}

TEST(SessionMailbox, ReceiverThatKeepsOwnsTheNotice)
{
    SessionMailbox mailbox;
    test::RecordingTarget keeper(true);
    mailbox.setTarget(keeper.handle());
    mailbox.sendKind(NoticeFailed, "x failed: y", RecoveryRetry);
    auto failed = keeper.ofKind(NoticeFailed);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].recovery, RecoveryRetry);
}

TEST(SessionMailbox, GoneTargetAnswersZero)
{
    SessionMailbox mailbox;
    NoticeTarget handle;
    {
        test::RecordingTarget target;
        handle = target.handle();
    }
    mailbox.setTarget(handle);
    mailbox.sendStatus("into the void");
    EXPECT_EQ(notice_targets::send(handle, kSessionNoticeMessage, nullptr), 0);
}

TEST(SessionMailbox, ProtocolLogKeepsPrefixesAndOrder)
{
    SessionMailbox mailbox;
    std::string sunk;
    mailbox.setLogSink([&](std::string_view line) { sunk += line; });
    mailbox.appendLog("> ", "USER anonymous\r\n");
    mailbox.appendLog("< ", "331 Password please\r\n");
    EXPECT_EQ(mailbox.protocolLog(), "> USER anonymous\r\n< 331 Password please\r\n");
    EXPECT_EQ(sunk, mailbox.protocolLog());
}

} // namespace
} // namespace varnix
