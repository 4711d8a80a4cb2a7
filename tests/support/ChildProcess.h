#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnix::test {

// A helper program run by a fixture: started in a process group of its own
// (so that servers forking per connection are stopped as a whole), with
// standard input from /dev/null and its output in files, never in the test's
// own pipes. It receives SIGTERM when the thread that started it ends, so a
// crashed test leaves no server behind; start and stop it on one thread.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile,
                 const std::filesystem::path& stderrFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    // Exit status (or 128 + signal) once the process has ended.
    std::optional<int> exitStatus();
    bool waitFor(std::chrono::milliseconds limit);
    // SIGTERM to the group, SIGKILL after the grace period, then reaped.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    bool reap(int flags);
    void signalGroup(int sig) const;

    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Runs a program to its end (bounded) and returns its exit status; a program
// still running at the limit is killed and reported as 124.
int runProgram(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile,
               const std::filesystem::path& stderrFile,
               std::chrono::milliseconds limit = std::chrono::seconds(30));

std::string readFileText(const std::filesystem::path& file);

} // namespace varnix::test
