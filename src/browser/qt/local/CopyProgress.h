#pragma once
// A copy into a local window's folder while it runs: a progress dialog
// that appears when the copy takes a while, with a Cancel button, and a
// message naming what could not be copied when it ends. The copying itself
// runs on the job's thread; the window goes on taking events meanwhile.
// Deletes itself once done; a window that closes first cancels it.

#include "browser/local/CopyJob.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <memory>

class QTimer;
class QWidget;

namespace varnix {

class CopyProgress : public QObject {
    Q_OBJECT
public:
    // Starts the copy at once.
    CopyProgress(CopyPlan plan, QWidget* window);
    ~CopyProgress() override;

    const CopyJob& job() const { return *job_; }

signals:
    void finished();

private:
    void update();
    void end();

    QWidget* window_;
    std::unique_ptr<CopyJob> job_;
    // The window owns the dialog too, and may delete it first.
    QPointer<QProgressDialog> dialog_;
    QTimer* timer_ = nullptr;
};

} // namespace varnix
