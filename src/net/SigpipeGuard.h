#pragma once
// Keeps a write to a closed socket from ending the process. send() can say so
// with MSG_NOSIGNAL; splice() cannot, so SIGPIPE is blocked on this thread
// for the guard's life, and one left pending is taken before the old mask
// comes back. The write itself then fails with EPIPE as usual.

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace varnix {

class SigpipeGuard {
public:
    SigpipeGuard()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
    }

    ~SigpipeGuard()
    {
        sigset_t pending;
        sigemptyset(&pending);
        if (!sigismember(&old_, SIGPIPE) && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE)) {
            const timespec none{};
            (void)sigtimedwait(&pipe_, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t pipe_;
    sigset_t old_;
};

} // namespace varnix
