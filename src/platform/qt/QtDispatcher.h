#pragma once
// The desktop program's UI dispatcher: a session thread's notice becomes a
// blocking queued call into the Qt event loop of the thread that made the
// dispatcher, so every handler runs there, one at a time, in arrival order.

#include "platform/NoticeTarget.h"

#include <memory>

class QObject;

namespace varnix {

class QtDispatcher : public UiDispatcher {
public:
    // Installs itself as the process's dispatcher until destroyed.
    QtDispatcher();
    // Calls still waiting are released unanswered (0), as for a receiver
    // that has gone; posted calls nobody ran are dropped.
    ~QtDispatcher() override;
    QtDispatcher(const QtDispatcher&) = delete;
    QtDispatcher& operator=(const QtDispatcher&) = delete;

    // From the UI thread itself the call runs at once: queueing it there
    // would wait for ever.
    std::intptr_t call(const std::function<std::intptr_t()>& fn) override;
    void post(std::function<void()> fn) override;

private:
    std::unique_ptr<QObject> loop_;
};

} // namespace varnix
