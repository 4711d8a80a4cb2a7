#pragma once
// "Varnix - host:port - Login Prompt": new credentials after a server
// refused the old ones. The fields start from the site's shared login data,
// and OK stores them back there, so every window, session and queue item
// using that login sees them from then on. Cancel changes nothing.

#include "queue/LoginPrompt.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;

namespace varnix {

class LoginPromptDialog : public QDialog {
    Q_OBJECT

public:
    LoginPromptDialog(const SiteHandle& site, const std::string& message, QWidget* parent = nullptr);

    void accept() override;

private:
    SiteHandle site_;
    LoginData shown_;
    QLabel* message_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
};

// The desktop's answer to the queue's question; the dialog's parent is the
// main window, looked up when the question comes.
class DialogLoginPrompt : public LoginPrompt {
public:
    explicit DialogLoginPrompt(std::function<QWidget*()> mainWindow);
    bool ask(const SiteHandle& site, const std::string& message) override;

private:
    std::function<QWidget*()> mainWindow_;
};

} // namespace varnix
