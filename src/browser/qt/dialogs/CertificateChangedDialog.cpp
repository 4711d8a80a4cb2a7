#include "browser/qt/dialogs/CertificateChangedDialog.h"

#include "platform/qt/DisplayText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {

CertificateChangedDialog::CertificateChangedDialog(const std::string& identity, const std::string& accepted,
                                                   const CertificateInfo& certificate, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Varnix - Certificate Changed"));
    auto* message = new QLabel(QStringLiteral("The certificate of %1 HAS CHANGED since it was accepted, and is "
                                              "refused: someone may be listening in. No user name or password "
                                              "was sent. Compare the fingerprints with the ones the server's owner "
                                              "gives you.")
                                   .arg(displayText(identity)));
    message->setWordWrap(true);
    message->setAccessibleName(message->text());

    auto* form = new QFormLayout;
    // In a fixed font the two fingerprints line up pair under pair.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    addRow(form, QStringLiteral("Accepted SHA-256 fingerprint:"), accepted)->setFont(fixed);
    addRow(form, QStringLiteral("Offered SHA-256 fingerprint:"), certificate.fingerprint)->setFont(fixed);
    addRow(form, QStringLiteral("Subject:"), certificate.subject);
    addRow(form, QStringLiteral("Issuer:"), certificate.issuer);
    addRow(form, QStringLiteral("Valid from:"), certificate.validFrom);
    addRow(form, QStringLiteral("Valid until:"), certificate.validUntil);
    if (!certificate.problem.empty())
        addRow(form, QStringLiteral("Not trusted because:"), certificate.problem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setAccessibleName(QStringLiteral("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(form);
    layout->addWidget(buttons);
    close->setDefault(true);
    close->setFocus();
    setMinimumWidth(640);
}

QLabel* CertificateChangedDialog::addRow(QFormLayout* form, const QString& label, const std::string& value)
{
    auto* text = new QLabel(displayText(value));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setWordWrap(true);
    text->setAccessibleName(label);
    form->addRow(label, text);
    return text;
}

} // namespace varnix
