#pragma once
// The texts of a transfer queue row, shared by the queue view and the
// command-line client: where an item's data comes from and goes to, and
// what the four numbers of a progress notice say about size, rate and time.

#include "queue/QueueItem.h"
#include "site/SessionNotice.h"

#include <cstdint>
#include <optional>
#include <string>

namespace varnix {

// Row images: one strip, download steps first, then upload steps.
constexpr int kProgressSteps = 52;
constexpr int kDownloadImage = 0;
constexpr int kUploadImage = 53;
constexpr int kSiteToSiteImage = 106;

// Everything a new row shows.
struct RowTexts {
    std::string status;
    std::string size;
    std::string bandwidth;
    std::string time;
    std::string source;
    std::string destination;
    int image = kDownloadImage;
    std::string failure;   // the last failure a worker reported, whole
};

// The columns a notice changes; empty members keep their texts.
struct RowUpdate {
    std::optional<std::string> status;
    std::optional<std::string> size;
    std::optional<std::string> bandwidth;
    std::optional<std::string> time;
    std::optional<int> image;
};

RowTexts initialRowTexts(const QueueItem& item);
std::string sourceText(const QueueItem& item);
std::string destinationText(const QueueItem& item);
// The site's identity, the folder with a '/' appended unless it has one, the name.
std::string remoteText(const SiteHandle& site, const std::string& folder, const std::string& name);

// "Transfering", "Uploading" or "Downloading", and the notice's text if any.
std::string transferStatus(const QueueItem& item, const std::string& noticeText);
RowUpdate progressUpdate(const QueueItem& item, const SessionNotice& progress);

// A failure text without the line end its server reply came with.
std::string failureLine(const std::string& failure);
// A failure line without the failed task's description: the server's reply
// or the system's error, which is what the user needs to act on.
std::string failureReason(const std::string& failure);
// The status of an attempt that failed ("Failed", or "Retry" while another
// follows): "Failed: 500 Illegal PORT command.".
std::string failureStatus(const std::string& status, const std::string& failure);
// The one line a status bar gives such an attempt: the whole failure text,
// and whether the item is tried again.
std::string failureNote(const std::string& status, const std::string& failure);

// done and total count from the start of the file; total may be kUnknownSize.
std::string sizeText(std::uint64_t done, std::uint64_t total);
// 0 .. kProgressSteps; total must be known.
int progressStep(std::uint64_t done, std::uint64_t total);
// Kilobytes per second of `moved` bytes in `elapsedMs` (not 0).
double transferRate(std::uint64_t moved, std::uint64_t elapsedMs);
// Whole seconds, truncated; the rate must not be 0.
std::uint64_t secondsLeft(std::uint64_t bytesLeft, double kilobytesPerSecond);
std::string bandwidthText(double kilobytesPerSecond);
std::string timeLeftText(std::uint64_t seconds);

} // namespace varnix
