#include "platform/qt/QtDispatcher.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace varnix {

QtDispatcher::QtDispatcher() : loop_(std::make_unique<QObject>())
{
    notice_targets::setDispatcher(this);
}

QtDispatcher::~QtDispatcher()
{
    notice_targets::setDispatcher(nullptr);
    // Deleting the object deletes the calls queued for it, which wakes their
    // senders with the answer still 0.
    loop_.reset();
}

std::intptr_t QtDispatcher::call(const std::function<std::intptr_t()>& fn)
{
    if (QThread::currentThread() == loop_->thread())
        return fn();
    std::intptr_t result = 0;
    QMetaObject::invokeMethod(
        loop_.get(), [&] { result = fn(); }, Qt::BlockingQueuedConnection);
    return result;
}

void QtDispatcher::post(std::function<void()> fn)
{
    QMetaObject::invokeMethod(loop_.get(), std::move(fn), Qt::QueuedConnection);
}

} // namespace varnix
