#include "app/qt/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace varnix {
namespace {

// A handler may only write to a pipe; the event loop reads the other end.
int wakeFds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction formerActions[3];

void onSignal(int)
{
    char byte = 1;
    ssize_t ignored = ::write(wakeFds[1], &byte, 1);
    (void)ignored;
}

} // namespace

StopSignals::StopSignals(std::function<void()> close) : close_(std::move(close))
{
    if (::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::stop);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &formerActions[i]);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &formerActions[i], nullptr);
    delete notifier_;
    ::close(wakeFds[0]);
    ::close(wakeFds[1]);
    wakeFds[0] = wakeFds[1] = -1;
}

void StopSignals::stop()
{
    char bytes[16];
    while (::read(wakeFds[0], bytes, sizeof bytes) > 0) {
    }
    close_();
}

} // namespace varnix
