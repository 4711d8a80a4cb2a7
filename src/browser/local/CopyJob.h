#pragma once
// Carries out a copy plan on a thread of its own, so that the window that
// started it stays responsive; the window reads the byte counts to show
// progress and may cancel. Every file is written under a temporary name
// beside its target and renamed into place only when whole, so a failed
// or cancelled copy never leaves a part file, nor spoils the file it was
// to replace. Links are copied as links; modes and modification times go
// with the files.

#include "browser/local/LocalCopy.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace varnix {

class CopyJob {
public:
    explicit CopyJob(CopyPlan plan);
    // Cancels what still runs and waits for it.
    ~CopyJob();
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    void start();
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }
    bool finished() const { return finished_; }

    // Bytes of all the plan's files, once counted (0 before), and bytes written so far.
    std::uint64_t totalBytes() const { return total_; }
    std::uint64_t copiedBytes() const { return copied_; }
    // The path being written.
    std::string current() const;
    // One text per item that was not copied: the plan's refusals, then the failures.
    std::vector<std::string> failures() const;

private:
    void run();
    std::uint64_t bytesIn(const std::string& path) const;
    void copyEntry(const std::string& source, const std::string& target, bool replace);
    void copyFolder(const std::string& source, const std::string& target, unsigned mode, bool replace);
    void copyFile(const std::string& source, const std::string& target, bool replace);
    void copyLink(const std::string& source, const std::string& target, bool replace);
    bool writeAll(int from, int to);
    void fail(const std::string& path, int error);
    void setCurrent(const std::string& path);

    CopyPlan plan_;
    std::thread thread_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> total_{0};
    std::atomic<std::uint64_t> copied_{0};
    mutable std::mutex lock_;
    std::string current_;
    std::vector<std::string> failures_;
};

} // namespace varnix
