#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a normal close of a window, so that
// Varnix stopped from a terminal or by the session manager saves its layout
// and settings as if the user had closed it.

#include <QObject>

class QSocketNotifier;

namespace varnix {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // One at a time; the signals' former handlers come back when it goes.
    explicit StopSignals(QWidget& window);
    ~StopSignals() override;

private:
    void stop();

    QWidget& window_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace varnix
