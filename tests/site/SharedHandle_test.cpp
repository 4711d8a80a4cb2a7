#include "site/SharedHandle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace varnix {
namespace {

struct Counted {
    explicit Counted(std::atomic<int>* deletions) : deletions(deletions) {}
    ~Counted() { deletions->fetch_add(1); }
    std::atomic<int>* deletions;
    int value = 0;
};

TEST(SharedHandle, LastReleaseDeletesOnceAcrossThreads)
{
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> deletions{0};
        auto original = makeShared<Counted>(&deletions);
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([copy = original]() mutable {
                for (int i = 0; i < 200; ++i) {
                    SharedHandle<Counted> again = copy;
                    SharedHandle<Counted> moved = std::move(again);
                    moved.reset();
                }
                copy.reset();
            });
        }
        original.reset();
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(deletions.load(), 1);
    }
}

TEST(SharedHandle, AssigningTheSameBlockKeepsTheCount)
{
    std::atomic<int> deletions{0};
    auto a = makeShared<Counted>(&deletions);
    auto b = a;
    EXPECT_EQ(a.useCount(), 2);
    a = b;
    const auto& self = a;
    a = self;
    EXPECT_EQ(a.useCount(), 2);
    b = std::move(a);
    EXPECT_EQ(b.useCount(), 1);
    EXPECT_FALSE(a);
    b.reset();
    EXPECT_EQ(deletions.load(), 1);
}

TEST(SharedHandle, EmptyHandleIsFalseAndSafeToRelease)
{
    SharedHandle<Counted> empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(empty.get(), nullptr);
    empty.reset();
    SharedHandle<Counted> copy = empty;
    EXPECT_EQ(copy.useCount(), 0);
}

TEST(LockedHandle, AccessIsReentrantAndExclusive)
{
    auto counter = makeLocked<int>(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([counter] {
            for (int i = 0; i < 1000; ++i) {
                LockedAccess<int> outer(counter);
                int before = *outer;
                LockedAccess<int> inner(counter);   // same thread, lock taken again
                *inner = before + 1;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(*LockedAccess<int>(counter), 4000);
}

} // namespace
} // namespace varnix
