#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace varnix::test {
namespace {

using Clock = std::chrono::steady_clock;

// Everything between fork and exec must be async-signal-safe: the test
// program has other threads whose locks the child inherits in any state.
[[noreturn]] void execChild(char* const* argv, const char* out, const char* err, pid_t parent)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(126);
    const int in = ::open("/dev/null", O_RDONLY);
    const int o = ::open(out, O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int e = ::open(err, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || o < 0 || e < 0)
        ::_exit(126);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::close_range(3, ~0U, 0);
    ::execv(argv[0], argv);
    static const char msg[] = "exec failed\n";
    [[maybe_unused]] auto ignored = ::write(2, msg, sizeof msg - 1);
    ::_exit(127);
}

int decodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile,
                           const std::filesystem::path& stderrFile)
{
    if (argv.empty())
        throw std::invalid_argument("ChildProcess: empty command");
    std::vector<std::string> args = argv;
    std::vector<char*> ptrs;
    for (auto& a : args)
        ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    const std::string out = stdoutFile.string(), err = stderrFile.string();
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (m_pid == 0)
        execChild(ptrs.data(), out.c_str(), err.c_str(), parent);
    ::setpgid(m_pid, m_pid); // also here: the child may not have run yet
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::reap(int flags)
{
    if (m_status)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, flags);
    if (r == m_pid) {
        m_status = decodeStatus(status);
        return true;
    }
    if (r < 0 && errno == ECHILD) {
        m_status = -1;
        return true;
    }
    return false;
}

bool ChildProcess::running()
{
    return !reap(WNOHANG);
}

std::optional<int> ChildProcess::exitStatus()
{
    reap(WNOHANG);
    return m_status;
}

bool ChildProcess::waitFor(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!reap(WNOHANG)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::signalGroup(int sig) const
{
    // The group holds the child and whatever it forked (vsftpd sessions).
    if (::kill(-m_pid, sig) != 0)
        ::kill(m_pid, sig);
}

void ChildProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid <= 0)
        return;
    if (!m_status)
        signalGroup(SIGTERM);
    if (!waitFor(grace)) {
        signalGroup(SIGKILL);
        reap(0);
    }
    // Session processes of a forking server may outlive their parent.
    ::kill(-m_pid, SIGKILL);
}

int runProgram(const std::vector<std::string>& argv, const std::filesystem::path& stdoutFile,
               const std::filesystem::path& stderrFile, std::chrono::milliseconds limit)
{
    ChildProcess child(argv, stdoutFile, stderrFile);
    if (!child.waitFor(limit)) {
        child.stop(std::chrono::milliseconds(100));
        return 124;
    }
    return *child.exitStatus();
}

std::string readFileText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace varnix::test
