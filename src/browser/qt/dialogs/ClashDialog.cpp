#include "browser/qt/dialogs/ClashDialog.h"

#include "browser/local/LocalPaths.h"
#include "platform/qt/DisplayText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {
namespace {

QString question(const Clash& clash)
{
    QString name = displayText(lastComponent(clash.target));
    QString folder = displayText(parentPath(clash.target));
    QString said = ClashDialog::tr("\"%1\" already exists in %2.").arg(name, folder);
    if (!clash.canReplace())
        return said + QLatin1Char(' ') +
               (clash.targetIsFolder ? ClashDialog::tr("It is a folder, and a file cannot replace it.")
                                     : ClashDialog::tr("It is not a folder, and a folder cannot replace it."));
    if (clash.sourceIsFolder)
        return said + QLatin1Char(' ') +
               ClashDialog::tr("Replace puts the dropped folder's contents into it; files with the same names are "
                               "replaced.");
    return said + QLatin1Char(' ') + ClashDialog::tr("Replace it with the dropped file?");
}

} // namespace

ClashDialog::ClashDialog(const Clash& clash, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Varnix - File Exists"));
    auto* message = new QLabel(question(clash));
    message->setWordWrap(true);
    message->setAccessibleName(message->text());
    applyToAll_ = new QCheckBox(tr("Apply to all"));
    applyToAll_->setAccessibleName(tr("Apply to all"));

    auto* buttons = new QDialogButtonBox;
    auto add = [&](const QString& text, QDialogButtonBox::ButtonRole role, ClashAnswer answer) {
        QPushButton* button = buttons->addButton(text, role);
        button->setAccessibleName(QString(text).remove(QLatin1Char('&')));
        connect(button, &QPushButton::clicked, this, [this, answer] {
            answer_ = answer;
            answer == ClashAnswer::Cancel ? reject() : accept();
        });
        return button;
    };
    add(tr("&Replace"), QDialogButtonBox::AcceptRole, ClashAnswer::Replace)->setEnabled(clash.canReplace());
    add(tr("&Skip"), QDialogButtonBox::ActionRole, ClashAnswer::Skip)->setDefault(true);
    add(tr("&Keep Both"), QDialogButtonBox::ActionRole, ClashAnswer::KeepBoth);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setAccessibleName(cancel->text().remove(QLatin1Char('&')));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(applyToAll_);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

bool ClashDialog::applyToAll() const
{
    return applyToAll_->isChecked();
}

ClashAnswer ClashDialog::ask(QWidget* parent, const Clash& clash, bool& applyToAll)
{
    ClashDialog dialog(clash, parent);
    if (dialog.exec() != QDialog::Accepted)
        return ClashAnswer::Cancel;
    applyToAll = dialog.applyToAll();
    return dialog.answer();
}

ClashAnswer DialogClashQuestion::ask(const Clash& clash, bool& applyToAll)
{
    return ClashDialog::ask(parent_, clash, applyToAll);
}

} // namespace varnix
