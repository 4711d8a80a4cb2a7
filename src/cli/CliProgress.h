#pragma once
// The command-line client's view of the transfer queue: one progress line
// on standard error for the item being carried out, with the same size,
// rate and time-left texts as the queue view. On a terminal the line is
// rewritten in place; elsewhere each update is a line of its own, at most
// two a second.

#include "queue/QueueRows.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <map>

namespace varnix::cli {

class CliProgress : public QueueRows {
public:
    explicit CliProgress(std::FILE* out = stderr);

    void addRow(const QueueItemHandle& item, const RowTexts& texts) override;
    void setStatus(const QueueItemHandle& item, const std::string& status) override;
    // A retry is told at once; a final failure is the client's to tell.
    void setFailure(const QueueItemHandle& item, const std::string& status, const std::string& failure) override;
    void updateProgress(const QueueItemHandle& item, const RowUpdate& update) override;
    void removeRow(const QueueItemHandle& item) override;

    // Ends a line left open on a terminal.
    void endLine();

private:
    void show(const RowTexts& row);
    void print(const std::string& text, bool keepOpen);

    std::FILE* out_;
    bool terminal_;
    std::map<const QueueItem*, RowTexts> rows_;
    std::size_t openLength_ = 0;
    std::chrono::steady_clock::time_point lastShown_{};
    std::string shownStatus_;
};

} // namespace varnix::cli
