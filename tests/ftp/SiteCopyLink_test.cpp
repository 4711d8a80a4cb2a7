#include "ftp/SiteCopyLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

namespace varnix {
namespace {

const auto kNeverCancelled = [] {};

std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131) >> 7);
    return bytes;
}

// Far more than the buffer holds passes through it whole and in order.
TEST(SiteCopyLink, BytesPassThroughASmallBufferInOrder)
{
    SiteCopyLink link(4096);
    const std::string sent = pattern(3 * 1024 * 1024 + 17);
    std::thread source([&] {
        link.sourceStarted(sent.size());
        for (std::size_t at = 0; at < sent.size(); at += 10000)
            link.write(sent.data() + at, std::min<std::size_t>(10000, sent.size() - at), kNeverCancelled);
        link.finish();
    });
    ASSERT_TRUE(link.waitForSource(kNeverCancelled));
    std::string received;
    char block[3000];
    for (std::size_t got; (got = link.read(block, sizeof block, kNeverCancelled)) != 0;)
        received.append(block, got);
    source.join();
    EXPECT_EQ(received, sent);
    EXPECT_EQ(link.sourceSize(), sent.size());
}

// Whichever side gives up, the other's wait ends: the destination keeps
// what the source sent before it failed, the source stops writing, a
// cancel ends a wait, and a refusal wakes the other side.
TEST(SiteCopyLink, EitherSideEndingEndsTheOthersWait)
{
    SiteCopyLink failedSource(64);
    failedSource.sourceStarted(100);
    failedSource.write("abc", 3, kNeverCancelled);
    failedSource.abandon(SiteCopyLink::Side::Source);
    EXPECT_TRUE(failedSource.waitForSource(kNeverCancelled));
    char block[16];
    EXPECT_EQ(failedSource.read(block, sizeof block, kNeverCancelled), 3u);
    EXPECT_THROW(failedSource.read(block, sizeof block, kNeverCancelled), CopyPartEnded);

    SiteCopyLink gone(8);
    std::thread destination([&] { gone.abandon(SiteCopyLink::Side::Destination); });
    const std::string more = pattern(100);
    EXPECT_THROW(gone.write(more.data(), more.size(), kNeverCancelled), CopyPartEnded);
    destination.join();
    EXPECT_FALSE(gone.waitForSource(kNeverCancelled));

    SiteCopyLink waiting(8);
    std::atomic<int> checks{0};
    EXPECT_THROW(waiting.read(block, sizeof block, [&] {
        if (++checks == 2)
            throw std::runtime_error("cancelled");
    }), std::runtime_error);

    SiteCopyLink refused(8);
    std::atomic<bool> woken{false};
    refused.setWake(SiteCopyLink::Side::Destination, [&] { woken = true; });
    refused.refuse(SiteCopyLink::Side::Source, "500 Illegal PORT command.");
    refused.abandon(SiteCopyLink::Side::Destination);  // the first word stands
    EXPECT_TRUE(woken);
    EXPECT_EQ(refused.state(), SiteCopyLink::State::Refused);
    EXPECT_EQ(refused.reason(), "500 Illegal PORT command.");
}

} // namespace
} // namespace varnix
