#include "browser/qt/dialogs/LoginPromptDialog.h"

#include "platform/qt/DisplayText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {
namespace {

LoginData sharedLogin(const SiteHandle& site)
{
    LockedAccess<SiteContext> context(site);
    LockedHandle<LoginData> handle = context->login();
    return *LockedAccess<LoginData>(handle);
}

} // namespace

LoginPromptDialog::LoginPromptDialog(const SiteHandle& site, const std::string& message, QWidget* parent)
    : QDialog(parent), site_(site), shown_(sharedLogin(site))
{
    setWindowTitle(displayText(loginPromptCaption(site_)));
    message_ = new QLabel(displayText(message));
    message_->setWordWrap(true);
    message_->setAccessibleName(message_->text());
    username_ = new QLineEdit(displayText(shown_.user));
    username_->setAccessibleName(QStringLiteral("Username:"));
    password_ = new QLineEdit(displayText(shown_.password));
    password_->setAccessibleName(QStringLiteral("Password:"));
    password_->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Username:"), username_);
    fields->addRow(QStringLiteral("Password:"), password_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginPromptDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LoginPromptDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}

void LoginPromptDialog::accept()
{
    storeLogin(site_, bytesOf(username_->text(), shown_.user), bytesOf(password_->text(), shown_.password));
    QDialog::accept();
}

DialogLoginPrompt::DialogLoginPrompt(std::function<QWidget*()> mainWindow) : mainWindow_(std::move(mainWindow))
{
}

bool DialogLoginPrompt::ask(const SiteHandle& site, const std::string& message)
{
    LoginPromptDialog dialog(site, message, mainWindow_ ? mainWindow_() : nullptr);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace varnix
