#include "browser/qt/dialogs/RenameDialog.h"

#include "platform/qt/DisplayText.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {

RenameDialog::RenameDialog(const std::string& name, QWidget* parent) : QDialog(parent), original_(name)
{
    setWindowTitle(QStringLiteral("Varnix - Rename"));
    name_ = new QLineEdit(displayText(name));
    // The field has no label of its own.
    name_->setAccessibleName(QStringLiteral("Name"));
    name_->setMinimumWidth(320);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &RenameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RenameDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addWidget(buttons);
}

std::string RenameDialog::name() const
{
    return bytesOf(name_->text(), original_);
}

std::optional<std::string> RenameDialog::ask(QWidget* parent, const std::string& name)
{
    RenameDialog dialog(name, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.name();
}

} // namespace varnix
