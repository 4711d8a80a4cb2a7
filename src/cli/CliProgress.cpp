#include "cli/CliProgress.h"

#include <unistd.h>

namespace varnix::cli {
namespace {

constexpr auto kShowEvery = std::chrono::milliseconds(500);

std::string lineOf(const RowTexts& row)
{
    return row.status + ": " + row.size + " bytes, " + row.bandwidth + ", " + row.time + " left";
}

} // namespace

CliProgress::CliProgress(std::FILE* out) : out_(out), terminal_(isatty(fileno(out)) != 0) {}

void CliProgress::addRow(const QueueItemHandle& item, const RowTexts& texts)
{
    rows_[item.get()] = texts;
}

void CliProgress::setStatus(const QueueItemHandle& item, const std::string& status)
{
    rows_[item.get()].status = status;
}

void CliProgress::setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure)
{
    setStatus(item, status);
    if (status == "Retry")
        print(failureNote(status, failure), false);
}

void CliProgress::updateProgress(const QueueItemHandle& item, const RowUpdate& u)
{
    RowTexts& row = rows_[item.get()];
    row.status = u.status.value_or(row.status);
    row.size = u.size.value_or(row.size);
    row.bandwidth = u.bandwidth.value_or(row.bandwidth);
    row.time = u.time.value_or(row.time);
    // The queue marks completion with the time left "0": always shown, as
    // is a new status (a site-to-site copy's route, once it is known).
    bool final = row.status == "Complete" || row.status == "Verified";
    auto now = std::chrono::steady_clock::now();
    if (final || row.status != shownStatus_ || now - lastShown_ >= kShowEvery) {
        lastShown_ = now;
        shownStatus_ = row.status;
        show(row);
    }
}

void CliProgress::removeRow(const QueueItemHandle& item)
{
    rows_.erase(item.get());
}

void CliProgress::show(const RowTexts& row)
{
    print(lineOf(row), terminal_);
}

void CliProgress::print(const std::string& text, bool keepOpen)
{
    if (openLength_ > 0 && !keepOpen)
        endLine();
    std::string line = text;
    if (keepOpen && line.size() < openLength_)
        line.append(openLength_ - line.size(), ' ');
    std::fputs(keepOpen ? ("\r" + line).c_str() : (line + "\n").c_str(), out_);
    std::fflush(out_);
    openLength_ = keepOpen ? text.size() : 0;
}

void CliProgress::endLine()
{
    if (openLength_ > 0)
        std::fputs("\n", out_);
    openLength_ = 0;
}

} // namespace varnix::cli
