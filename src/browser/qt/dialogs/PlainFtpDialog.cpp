#include "browser/qt/dialogs/PlainFtpDialog.h"

#include "platform/qt/DisplayText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {

PlainFtpDialog::PlainFtpDialog(const std::string& identity, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Varnix - No Encryption"));
    auto* message = new QLabel(QStringLiteral("The server of %1 does not offer TLS. In plain FTP the user name, "
                                              "the password and every file travel unencrypted: anyone on the way "
                                              "can read them. The password has not been sent yet.")
                                   .arg(displayText(identity)));
    message->setWordWrap(true);
    message->setAccessibleName(message->text());
    always_ = new QCheckBox(QStringLiteral("&Always allow plain FTP for this site"));
    always_->setAccessibleName(QStringLiteral("Always allow plain FTP for this site"));

    auto* buttons = new QDialogButtonBox;
    QPushButton* go = buttons->addButton(QStringLiteral("&Continue in Plain FTP"), QDialogButtonBox::AcceptRole);
    QPushButton* stop = buttons->addButton(QStringLiteral("&Disconnect"), QDialogButtonBox::RejectRole);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    connect(go, &QPushButton::clicked, this, [this] {
        answer_ = always_->isChecked() ? PlainFtpAnswer::AlwaysAllow : PlainFtpAnswer::Continue;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(always_);
    layout->addWidget(buttons);
    // Only once the buttons belong to the dialog does it hear of the default.
    stop->setDefault(true);
    stop->setFocus();
    setMinimumWidth(480);
}

DialogPlainFtpAsker::DialogPlainFtpAsker(std::function<QWidget*()> mainWindow) : mainWindow_(std::move(mainWindow))
{
}

PlainFtpAnswer DialogPlainFtpAsker::ask(const std::string& identity)
{
    PlainFtpDialog dialog(identity, mainWindow_ ? mainWindow_() : nullptr);
    return dialog.exec() == QDialog::Accepted ? dialog.answer() : PlainFtpAnswer::Disconnect;
}

} // namespace varnix
