#include "queue/RowTexts.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

SessionNotice progress(std::uint64_t elapsed, std::uint64_t moved, std::uint64_t offset, std::uint64_t expected,
                       std::string text = {})
{
    SessionNotice n;
    n.kind = NoticeProgress;
    n.elapsed = elapsed;
    n.moved = moved;
    n.offset = offset;
    n.expected = expected;
    n.text = std::move(text);
    return n;
}

SiteHandle site(const char* user = "")
{
    return makeLocked<SiteContext>("ftp.example.org", "21", user, "");
}

TEST(RowTexts, TimeLeftReadsAsHoursMinutesSeconds)
{
    struct Case {
        std::uint64_t seconds;
        const char* text;
    } cases[] = {{0, "0"}, {45, "45"}, {90, "1:30"}, {1800, "30:00"}, {3600, "1:00:00"}, {3725, "1:02:05"},
                 {360000, "100:00:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(timeLeftText(c.seconds), c.text) << c.seconds;
}

TEST(RowTexts, SizeAndStepCountFromTheStartOfTheFile)
{
    EXPECT_EQ(sizeText(700, 1000), "700/1000");
    EXPECT_EQ(sizeText(5000000000ull, kUnknownSize), "5000000000/unknown");
    EXPECT_EQ(progressStep(700, 1000), 36);
    EXPECT_EQ(progressStep(157286400, 209715200), 39);
    EXPECT_EQ(progressStep(0, 1000), 0);
    EXPECT_EQ(progressStep(1000, 1000), kProgressSteps);
    EXPECT_EQ(progressStep(1200, 1000), kProgressSteps);
    EXPECT_EQ(progressStep(~0ull - 1, ~0ull), kProgressSteps - 1);
}

TEST(RowTexts, ResumedDownloadShowsBytesDoneSinceTheStartOfTheFile)
{
    auto item = newDownload(site(), "/pub", "a.bin", "/tmp/a.bin", false);
    RowUpdate u = progressUpdate(*item, progress(0, 300, 400, 600));
    EXPECT_EQ(u.status, "Downloading");
    EXPECT_EQ(u.size, "700/1000");
    EXPECT_EQ(u.image, 36);
    // No time has passed: rate and time keep their texts.
    EXPECT_FALSE(u.bandwidth);
    EXPECT_FALSE(u.time);
    // The rate and the time left count only what this attempt moves.
    u = progressUpdate(*item, progress(1000, 1024, 1048576, 2048));
    EXPECT_EQ(u.size, "1049600/1050624");
    EXPECT_EQ(u.bandwidth, "1.00 KB/sec");
    EXPECT_EQ(u.time, "1");
}

TEST(RowTexts, RateAndTimeLeftFromElapsedAndMoved)
{
    auto item = newUpload(site(), "/", "/tmp/up.bin", "up.bin", false);
    RowUpdate u = progressUpdate(*item, progress(1000, 2048, 0, 2048 + 3686400, "up.bin"));
    EXPECT_EQ(u.status, "Uploading up.bin");
    EXPECT_EQ(u.bandwidth, "2.00 KB/sec");
    EXPECT_EQ(u.time, "30:00");
    EXPECT_EQ(u.image, kUploadImage + 0);
}

TEST(RowTexts, UnknownTotalLeavesTheImageAndShowsUnknownTimeLeft)
{
    auto item = newUpload(site(), "/", "/tmp/up.bin", "up.bin", false);
    RowUpdate u = progressUpdate(*item, progress(500, 4096, 100, kUnknownSize));
    EXPECT_EQ(u.size, "4196/unknown");
    EXPECT_FALSE(u.image);
    EXPECT_EQ(u.bandwidth, "8.00 KB/sec");
    EXPECT_EQ(u.time, "unknown");
}

TEST(RowTexts, NothingMovedYetKeepsTheTimeLeft)
{
    auto item = newDownload(site(), "/", "a", "/tmp/a", false);
    RowUpdate u = progressUpdate(*item, progress(250, 0, 0, 1000));
    EXPECT_EQ(u.bandwidth, "0.00 KB/sec");
    EXPECT_FALSE(u.time);
}

TEST(RowTexts, SiteToSiteRowsKeepTheirImage)
{
    auto item = newSiteCopy(site("dst"), "/in", "copy", site("src"), "/out", "file", false);
    RowUpdate u = progressUpdate(*item, progress(0, 10, 0, 20));
    EXPECT_EQ(u.status, "Transfering");
    EXPECT_FALSE(u.image);
}

TEST(RowTexts, NewRowsNameBothEnds)
{
    auto down = newDownload(site(), "/pub", "a.bin", "/home/me/a.bin", false);
    down->queued = true;
    RowTexts d = initialRowTexts(*down);
    EXPECT_EQ(d.status, "Queued");
    EXPECT_EQ(d.size, "unknown");
    EXPECT_EQ(d.bandwidth, "0 KB/sec");
    EXPECT_EQ(d.time, "unknown");
    EXPECT_EQ(d.image, kDownloadImage);
    EXPECT_EQ(d.source, "anonymous@ftp.example.org:21/pub/a.bin");
    EXPECT_EQ(d.destination, "/home/me/a.bin");

    RowTexts u = initialRowTexts(*newUpload(site("me"), "/", "/home/me/b", "b", true));
    EXPECT_EQ(u.status, "Pending");
    EXPECT_EQ(u.image, kUploadImage);
    EXPECT_EQ(u.source, "/home/me/b");
    EXPECT_EQ(u.destination, "me@ftp.example.org:21/b");

    auto copy = newSiteCopy(site("dst"), "/in/", "copy", site("src"), "/out", "file", false);
    RowTexts c = initialRowTexts(*copy);
    EXPECT_EQ(c.image, kSiteToSiteImage);
    EXPECT_EQ(c.source, "src@ftp.example.org:21/out/file");
    EXPECT_EQ(c.destination, "dst@ftp.example.org:21/in/copy");
    copy->upload = false;
    EXPECT_EQ(sourceText(*copy), "dst@ftp.example.org:21/in/file");
    EXPECT_EQ(destinationText(*copy), "src@ftp.example.org:21/out/copy");
}

} // namespace
} // namespace varnix
