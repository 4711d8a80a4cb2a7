#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a normal close of the main window,
// so that Varnix stopped from a terminal or by the session manager saves its
// layout and settings as if the user had closed it (without the questions a
// person at the window would be asked).

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace varnix {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // One at a time; the signals' former handlers come back when it goes.
    explicit StopSignals(std::function<void()> close);
    ~StopSignals() override;

private:
    void stop();

    std::function<void()> close_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace varnix
