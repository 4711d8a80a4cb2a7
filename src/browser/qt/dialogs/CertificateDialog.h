#pragma once
// "Varnix - Unknown Certificate": what a server showed that nothing vouches
// for (subject, issuer, validity, SHA-256 fingerprint and why it is not
// trusted), and the user's word on it: accept once (for this run), accept
// for good (stored for the site), or refuse. Escape and closing refuse;
// Refuse is the default button, so a stray Enter never lets a stranger in.

#include "session/CertificateTrust.h"

#include <QDialog>

#include <functional>
#include <string>

class QFormLayout;

namespace varnix {

class CertificateDialog : public QDialog {
    Q_OBJECT

public:
    CertificateDialog(const std::string& identity, const CertificateInfo& certificate, QWidget* parent = nullptr);

    TrustAnswer answer() const { return answer_; }

private:
    void addRow(QFormLayout* form, const QString& label, const std::string& value);

    TrustAnswer answer_ = TrustAnswer::Refuse;
};

// The desktop's answer to the sessions' certificate question; it runs on the
// UI thread (CertificateTrust sees to that) with the main window as parent,
// looked up when the question comes.
class DialogCertificateAsker : public CertificateAsker {
public:
    explicit DialogCertificateAsker(std::function<QWidget*()> mainWindow);
    TrustAnswer ask(const std::string& identity, const CertificateInfo& certificate) override;
    void changed(const std::string& identity, const std::string& accepted,
                 const CertificateInfo& certificate) override;

private:
    std::function<QWidget*()> mainWindow_;
};

} // namespace varnix
