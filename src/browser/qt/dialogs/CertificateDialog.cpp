#include "browser/qt/dialogs/CertificateDialog.h"

#include "browser/qt/dialogs/CertificateChangedDialog.h"
#include "platform/qt/DisplayText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {

CertificateDialog::CertificateDialog(const std::string& identity, const CertificateInfo& certificate,
                                     QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Varnix - Unknown Certificate"));
    QString why = certificate.problem.empty() ? QString() : QStringLiteral(" (%1)").arg(displayText(certificate.problem));
    auto* message = new QLabel(QStringLiteral("The certificate of %1 is not trusted%2. Accept it only if its "
                                              "fingerprint is the one the server's owner gave you.")
                                   .arg(displayText(identity), why));
    message->setWordWrap(true);
    message->setAccessibleName(message->text());

    auto* form = new QFormLayout;
    addRow(form, QStringLiteral("Subject:"), certificate.subject);
    addRow(form, QStringLiteral("Issuer:"), certificate.issuer);
    addRow(form, QStringLiteral("Valid from:"), certificate.validFrom);
    addRow(form, QStringLiteral("Valid until:"), certificate.validUntil);
    addRow(form, QStringLiteral("SHA-256 fingerprint:"), certificate.fingerprint);

    auto* buttons = new QDialogButtonBox;
    QPushButton* once = buttons->addButton(QStringLiteral("Accept &Once"), QDialogButtonBox::AcceptRole);
    QPushButton* always = buttons->addButton(QStringLiteral("Accept for &Good"), QDialogButtonBox::AcceptRole);
    QPushButton* refuse = buttons->addButton(QStringLiteral("&Refuse"), QDialogButtonBox::RejectRole);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    connect(once, &QPushButton::clicked, this, [this] {
        answer_ = TrustAnswer::AcceptOnce;
        accept();
    });
    connect(always, &QPushButton::clicked, this, [this] {
        answer_ = TrustAnswer::AcceptForGood;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Only once the buttons belong to the dialog does it hear of the default.
    refuse->setDefault(true);
    refuse->setFocus();
    setMinimumWidth(560);
}

void CertificateDialog::addRow(QFormLayout* form, const QString& label, const std::string& value)
{
    auto* text = new QLabel(displayText(value));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setWordWrap(true);
    text->setAccessibleName(label);
    form->addRow(label, text);
}

DialogCertificateAsker::DialogCertificateAsker(std::function<QWidget*()> mainWindow)
    : mainWindow_(std::move(mainWindow))
{
}

TrustAnswer DialogCertificateAsker::ask(const std::string& identity, const CertificateInfo& certificate)
{
    CertificateDialog dialog(identity, certificate, mainWindow_ ? mainWindow_() : nullptr);
    return dialog.exec() == QDialog::Accepted ? dialog.answer() : TrustAnswer::Refuse;
}

void DialogCertificateAsker::changed(const std::string& identity, const std::string& accepted,
                                     const CertificateInfo& certificate)
{
    CertificateChangedDialog dialog(identity, accepted, certificate, mainWindow_ ? mainWindow_() : nullptr);
    dialog.exec();
}

} // namespace varnix
