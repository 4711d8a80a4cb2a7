#include "browser/qt/dialogs/ConfirmActionDialog.h"

#include "platform/qt/DisplayText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnix {
namespace {

template <class Button>
Button* named(const QString& text)
{
    auto* b = new Button(text);
    b->setAccessibleName(QString(text).remove(u'&'));
    return b;
}

} // namespace

ConfirmActionDialog::ConfirmActionDialog(ConflictChoice& choice, std::string_view destination, QWidget* parent)
    : QDialog(parent), choice_(choice)
{
    choice_.skip = 0;
    setWindowTitle(QStringLiteral("Varnix - Confirm Action"));

    message_ = new QLabel(QStringLiteral("%1 already exists").arg(displayText(destination)));
    message_->setWordWrap(true);
    message_->setAccessibleName(message_->text());
    resume_ = named<QRadioButton>(QStringLiteral("Resume"));
    overwrite_ = named<QRadioButton>(QStringLiteral("Overwrite"));
    rename_ = named<QRadioButton>(QStringLiteral("Rename"));
    onlyNewer_ = named<QCheckBox>(QStringLiteral("Only transfer newer"));
    applyToAll_ = named<QCheckBox>(QStringLiteral("Use for all selected"));

    auto* group = new QGroupBox(QStringLiteral("Action"));
    group->setAccessibleName(QStringLiteral("Action"));
    auto* radios = new QVBoxLayout(group);
    auto* exclusive = new QButtonGroup(this);
    for (QRadioButton* r : {resume_, overwrite_, rename_}) {
        radios->addWidget(r);
        exclusive->addButton(r);
    }
    auto* checks = new QVBoxLayout;
    checks->addWidget(onlyNewer_);
    checks->addWidget(applyToAll_);
    checks->addStretch();
    auto* choices = new QHBoxLayout;
    choices->addWidget(group);
    choices->addLayout(checks);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfirmActionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConfirmActionDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addLayout(choices);
    layout->addWidget(buttons);

    connect(resume_, &QRadioButton::clicked, this, [this] { click(&ConflictChoice::clickResume); });
    connect(overwrite_, &QRadioButton::clicked, this, [this] { click(&ConflictChoice::clickOverwrite); });
    connect(rename_, &QRadioButton::clicked, this, [this] { click(&ConflictChoice::clickRename); });
    connect(onlyNewer_, &QCheckBox::clicked, this, [this] { click(&ConflictChoice::clickOnlyNewer); });
    connect(applyToAll_, &QCheckBox::clicked, this, [this] { click(&ConflictChoice::clickApplyToAll); });

    applyToAll_->setEnabled(choice_.offersApplyToAll());
    load();
}

bool ConfirmActionDialog::ask(QWidget* parent, ConflictChoice& choice, std::string_view destination)
{
    ConfirmActionDialog dialog(choice, destination, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ConfirmActionDialog::click(void (ConflictChoice::*rule)())
{
    (choice_.*rule)();
    load();
}

void ConfirmActionDialog::load()
{
    resume_->setChecked(choice_.action == ConflictResume);
    overwrite_->setChecked(choice_.action == ConflictOverwrite);
    rename_->setChecked(choice_.action == ConflictRename);
    onlyNewer_->setChecked(choice_.onlyNewer != 0);
    applyToAll_->setChecked(choice_.applyToAll == 1);
}

void ConfirmActionDialog::store()
{
    choice_.action = resume_->isChecked() ? ConflictResume : rename_->isChecked() ? ConflictRename : ConflictOverwrite;
    choice_.onlyNewer = onlyNewer_->isChecked() ? 1 : 0;
    if (choice_.offersApplyToAll())
        choice_.applyToAll = applyToAll_->isChecked() ? 1 : 0;
}

void ConfirmActionDialog::accept()
{
    store();
    QDialog::accept();
}

void ConfirmActionDialog::reject()
{
    store();
    choice_.skip = 1;
    QDialog::reject();
}

} // namespace varnix
