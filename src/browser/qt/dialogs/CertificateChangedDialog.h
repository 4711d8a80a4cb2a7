#pragma once
// "Varnix - Certificate Changed": a site offered a certificate other than
// the one accepted for it for good, and it was refused. The dialog names
// both SHA-256 fingerprints in full, selectable for comparing with what the
// server's owner says, and what the new certificate claims to be.

#include "net/CertificateCheck.h"

#include <QDialog>

#include <string>

class QFormLayout;
class QLabel;

namespace varnix {

class CertificateChangedDialog : public QDialog {
    Q_OBJECT

public:
    CertificateChangedDialog(const std::string& identity, const std::string& accepted,
                             const CertificateInfo& certificate, QWidget* parent = nullptr);

private:
    QLabel* addRow(QFormLayout* form, const QString& label, const std::string& value);
};

} // namespace varnix
