#include "queue/RowTexts.h"

#include "model/RemotePath.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace varnix {
namespace {

template <class... Args>
std::string format(const char* pattern, Args... args)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

// A site-to-site item created with the upload flag (as the windows create
// them) copies from siteB to siteA.
bool copiesFromB(const QueueItem& item)
{
    return item.siteToSite && item.upload;
}

std::string sideA(const QueueItem& item, const std::string& name)
{
    return remoteText(item.siteA, item.remoteDirA, name);
}

std::string sideB(const QueueItem& item, const std::string& name)
{
    return remoteText(item.siteB, item.remoteDirB, name);
}

int imageBase(const QueueItem& item)
{
    return item.upload ? kUploadImage : kDownloadImage;
}

} // namespace

std::string remoteText(const SiteHandle& site, const std::string& folder, const std::string& name)
{
    std::string identity = site ? LockedAccess<SiteContext>(site)->identity() : std::string();
    return remoteLocationText(identity, folder, name);
}

std::string sourceText(const QueueItem& item)
{
    if (copiesFromB(item))
        return sideB(item, item.sourceName);
    if (item.siteToSite || !item.upload)
        return sideA(item, item.sourceName);
    return item.sourceName;
}

std::string destinationText(const QueueItem& item)
{
    if (copiesFromB(item))
        return sideA(item, item.targetName);
    if (item.siteToSite)
        return sideB(item, item.targetName);
    return item.upload ? sideA(item, item.targetName) : item.targetName;
}

RowTexts initialRowTexts(const QueueItem& item)
{
    RowTexts row;
    row.status = item.queued ? "Queued" : "Pending";
    row.size = "unknown";
    row.bandwidth = "0 KB/sec";
    row.time = "unknown";
    row.source = sourceText(item);
    row.destination = destinationText(item);
    row.image = item.siteToSite ? kSiteToSiteImage : imageBase(item);
    return row;
}

std::string transferStatus(const QueueItem& item, const std::string& noticeText)
{
    std::string status = item.siteToSite ? "Transfering" : item.upload ? "Uploading" : "Downloading";
    if (!noticeText.empty())
        status += " " + noticeText;
    return status;
}

std::string sizeText(std::uint64_t done, std::uint64_t total)
{
    if (total == kUnknownSize)
        return format("%" PRIu64 "/unknown", done);
    return format("%" PRIu64 "/%" PRIu64, done, total);
}

int progressStep(std::uint64_t done, std::uint64_t total)
{
    if (done >= total)
        return kProgressSteps;
    // The product exceeds 64 bits only for absurd sizes, but costs nothing to get right.
    return int((unsigned __int128)done * kProgressSteps / total);
}

double transferRate(std::uint64_t moved, std::uint64_t elapsedMs)
{
    return double(moved) * 1000.0 / (double(elapsedMs) * 1024.0);
}

std::uint64_t secondsLeft(std::uint64_t bytesLeft, double kilobytesPerSecond)
{
    return std::uint64_t(double(bytesLeft) / (kilobytesPerSecond * 1024.0));
}

std::string bandwidthText(double kilobytesPerSecond)
{
    return format("%.2f KB/sec", kilobytesPerSecond);
}

std::string timeLeftText(std::uint64_t seconds)
{
    std::uint64_t h = seconds / 3600, m = (seconds / 60) % 60, s = seconds % 60;
    if (h != 0)
        return format("%" PRIu64 ":%.2" PRIu64 ":%.2" PRIu64, h, m, s);
    if (m != 0)
        return format("%" PRIu64 ":%.2" PRIu64, m, s);
    return format("%" PRIu64, s);
}

RowUpdate progressUpdate(const QueueItem& item, const SessionNotice& n)
{
    const bool known = n.expected != kUnknownSize;
    const std::uint64_t done = n.moved + n.offset;
    const std::uint64_t total = known ? n.expected + n.offset : kUnknownSize;
    RowUpdate update;
    update.status = transferStatus(item, n.text);
    update.size = sizeText(done, total);
    if (known && !item.siteToSite)
        update.image = imageBase(item) + progressStep(done, total);
    if (n.elapsed == 0)
        return update;
    const double rate = transferRate(n.moved, n.elapsed);
    update.bandwidth = bandwidthText(rate);
    if (!known)
        update.time = "unknown";
    else if (rate != 0)
        update.time = timeLeftText(secondsLeft(n.expected - std::min(n.moved, n.expected), rate));
    return update;
}

std::string failureLine(const std::string& failure)
{
    const std::size_t end = failure.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : failure.substr(0, end + 1);
}

std::string failureReason(const std::string& failure)
{
    // The description comes first; a reply may itself say "failed: ".
    static const std::string separator = " failed: ";
    const std::string line = failureLine(failure);
    const std::size_t at = line.find(separator);
    return at == std::string::npos ? line : line.substr(at + separator.size());
}

std::string failureStatus(const std::string& status, const std::string& failure)
{
    const std::string reason = failureReason(failure);
    return reason.empty() ? status : status + ": " + reason;
}

std::string failureNote(const std::string& status, const std::string& failure)
{
    const std::string line = failureLine(failure);
    const std::string text = line.empty() ? status : line;
    return status == "Retry" ? text + " (retrying)" : text;
}

} // namespace varnix
