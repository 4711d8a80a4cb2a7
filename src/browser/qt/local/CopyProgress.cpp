#include "browser/qt/local/CopyProgress.h"

#include "browser/local/LocalPaths.h"
#include "platform/qt/DisplayText.h"

#include <QMessageBox>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace varnix {
namespace {

constexpr int kSteps = 1000;
constexpr int kPollMs = 100;
// A copy that is done sooner shows no dialog at all.
constexpr int kShowAfterMs = 700;

} // namespace

CopyProgress::CopyProgress(CopyPlan plan, QWidget* window)
    : QObject(window), window_(window), job_(std::make_unique<CopyJob>(std::move(plan)))
{
    dialog_ = new QProgressDialog(window);
    dialog_->setWindowTitle(tr("Varnix - Copying"));
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    auto* bar = new QProgressBar(dialog_);
    bar->setAccessibleName(tr("Progress"));
    dialog_->setBar(bar);
    auto* cancel = new QPushButton(tr("Cancel"), dialog_);
    cancel->setAccessibleName(tr("Cancel"));
    dialog_->setCancelButton(cancel);
    dialog_->setRange(0, kSteps);
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setLabelText(tr("Copying"));
    connect(dialog_, &QProgressDialog::canceled, this, [this] { job_->cancel(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &CopyProgress::update);
    job_->start();
    timer_->start();
    dialog_->setValue(0);
}

CopyProgress::~CopyProgress()
{
    delete dialog_;
}

void CopyProgress::update()
{
    if (job_->finished())
        return end();
    const std::uint64_t total = job_->totalBytes();
    if (total > 0)
        dialog_->setValue(int(job_->copiedBytes() * kSteps / total));
    const std::string current = job_->current();
    if (!current.empty())
        dialog_->setLabelText(tr("Copying %1").arg(displayText(lastComponent(current))));
}

void CopyProgress::end()
{
    timer_->stop();
    dialog_->hide();
    QStringList failures;
    for (const std::string& failure : job_->failures())
        failures << displayText(failure);
    if (!failures.isEmpty())
        QMessageBox::warning(window_, tr("Varnix"), tr("Not copied:\n%1").arg(failures.join(QLatin1Char('\n'))));
    emit finished();
    deleteLater();
}

} // namespace varnix
