#pragma once
// "Varnix - No Encryption": the server of a site that would have used TLS
// does not offer it. The user goes on in plain FTP, optionally for good
// ("Always allow plain FTP for this site"), or disconnects before the
// password goes. Disconnect is the default button; Escape and closing
// disconnect too.

#include "session/PlainFtpConsent.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;

namespace varnix {

class PlainFtpDialog : public QDialog {
    Q_OBJECT

public:
    explicit PlainFtpDialog(const std::string& identity, QWidget* parent = nullptr);

    PlainFtpAnswer answer() const { return answer_; }

private:
    QCheckBox* always_ = nullptr;
    PlainFtpAnswer answer_ = PlainFtpAnswer::Disconnect;
};

// The desktop's answer to the sessions' plain-FTP question, on the UI
// thread, over the window that is active when it comes.
class DialogPlainFtpAsker : public PlainFtpAsker {
public:
    explicit DialogPlainFtpAsker(std::function<QWidget*()> mainWindow);
    PlainFtpAnswer ask(const std::string& identity) override;

private:
    std::function<QWidget*()> mainWindow_;
};

} // namespace varnix
