#include "browser/qt/dialogs/PropertiesDialog.h"

#include "platform/qt/DisplayText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnix {
namespace {

QString qtext(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

PropertiesDialog::PropertiesDialog(const FileProperties& properties, QWidget* parent)
    : QDialog(parent), original_(properties)
{
    setWindowTitle(QStringLiteral("Varnix - Properties"));
    auto* layout = new QVBoxLayout(this);
    const auto& table = FileProperties::permissionBits();
    QGroupBox* box = nullptr;
    QHBoxLayout* row = nullptr;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!box || box->title() != qtext(table[i].who)) {
            box = new QGroupBox(qtext(table[i].who));
            box->setAccessibleName(box->title());
            row = new QHBoxLayout(box);
            layout->addWidget(box);
        }
        auto* check = new QCheckBox(qtext(table[i].what));
        check->setAccessibleName(check->text());
        check->setChecked(properties.has(table[i].bit));
        row->addWidget(check);
        bits_[i] = check;
    }
    owner_ = new QLineEdit(displayText(properties.owner));
    owner_->setAccessibleName(QStringLiteral("Owner:"));
    group_ = new QLineEdit(displayText(properties.group));
    group_->setAccessibleName(QStringLiteral("Group:"));
    auto* names = new QFormLayout;
    names->addRow(QStringLiteral("Owner:"), owner_);
    names->addRow(QStringLiteral("Group:"), group_);
    layout->addLayout(names);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &PropertiesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PropertiesDialog::reject);
    layout->addWidget(buttons);
}

// Each box writes back only its own bit.
FileProperties PropertiesDialog::properties() const
{
    FileProperties result = original_;
    const auto& table = FileProperties::permissionBits();
    for (std::size_t i = 0; i < table.size(); ++i)
        result.set(table[i].bit, bits_[i]->isChecked());
    result.owner = bytesOf(owner_->text(), original_.owner);
    result.group = bytesOf(group_->text(), original_.group);
    return result;
}

std::optional<FileProperties> PropertiesDialog::ask(QWidget* parent, const FileProperties& properties)
{
    PropertiesDialog dialog(properties, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.properties();
}

} // namespace varnix
