#include "site/qt/SettingsSheet.h"

#include "platform/Profile.h"
#include "platform/qt/DisplayText.h"
#include "site/LoginRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace varnix {
namespace {

QString qtext(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

SettingsSheet::SettingsSheet(SettingsRecord& global, Profile& profile, QWidget* parent)
    : SettingsSheet(SiteHandle{}, &global, profile, parent)
{
}

SettingsSheet::SettingsSheet(const SiteHandle& site, Profile& profile, QWidget* parent)
    : SettingsSheet(site, nullptr, profile, parent)
{
}

SettingsSheet::SettingsSheet(SiteHandle site, SettingsRecord* global, Profile& profile, QWidget* parent)
    : QDialog(parent),
      site_(std::move(site)),
      siteLock_(site_ ? std::make_unique<LockedAccess<SiteContext>>(site_) : nullptr),
      record_(site_ ? (**siteLock_).settings() : *global),
      prefix_(site_ ? (**siteLock_).identity() : std::string()),
      profile_(profile),
      form_(record_)
{
    build(site_ ? displayText(prefix_) : QStringLiteral("Global"));
}

SettingsSheet::~SettingsSheet() = default;

bool SettingsSheet::editGlobal(QWidget* parent, Profile& profile, SettingsRecord& global)
{
    SettingsSheet sheet(global, profile, parent);
    return sheet.exec() == QDialog::Accepted;
}

bool SettingsSheet::editSite(QWidget* parent, const SiteHandle& site, Profile& profile)
{
    SettingsSheet sheet(site, profile, parent);
    return sheet.exec() == QDialog::Accepted;
}

bool SettingsSheet::editTypedSite(QWidget* parent, const LoginData& typed, LoginRegistry& logins, Profile& profile,
                                  const SettingsRecord& global)
{
    SiteHandle site = makeLocked<SiteContext>(typed.host, typed.port, typed.user, typed.password, logins, profile,
                                              global);
    return editSite(parent, site, profile);
}

void SettingsSheet::build(const QString& titleWord)
{
    setWindowTitle(titleWord + QStringLiteral(" Settings"));
    pages_ = new QTabWidget(this);
    for (int page = 0; page < kSettingsPages; ++page) {
        auto which = static_cast<SettingsPage>(page);
        pages_->addTab(buildPage(which), qtext(SettingsForm::pageTitle(which)));
    }
    connect(pages_, &QTabWidget::currentChanged, this, &SettingsSheet::pageChanged);

    // A property sheet has OK and Cancel but no Apply.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsSheet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

QWidget* SettingsSheet::buildPage(SettingsPage page)
{
    auto* widget = new QWidget;
    auto* form = new QFormLayout(widget);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (int id : SettingsForm::fieldsOn(page)) {
        const SettingsField& field = SettingsForm::field(id);
        QWidget* control = buildControl(field);
        controls_[std::size_t(id)] = control;
        if (field.kind == FieldKind::CheckBox)
            form->addRow(control);
        else
            form->addRow(qtext(field.label), control);
    }
    return widget;
}

QWidget* SettingsSheet::buildControl(const SettingsField& field)
{
    QString label = qtext(field.label);
    if (field.kind == FieldKind::CheckBox) {
        auto* box = new QCheckBox(label);
        box->setChecked(form_.checked(field.id));
        box->setAccessibleName(label);
        return box;
    }
    if (field.kind == FieldKind::Choice) {
        auto* combo = new QComboBox;
        for (std::string_view choice : SettingsForm::choices(field.id))
            combo->addItem(qtext(choice));
        bool ok = false;
        int index = QString::fromStdString(form_.text(field.id)).toInt(&ok);
        combo->setCurrentIndex(ok && index < combo->count() ? index : -1);
        combo->setAccessibleName(label);
        return combo;
    }
    auto* edit = new QLineEdit(displayText(form_.text(field.id)));
    edit->setAccessibleName(label);
    if (field.digitsOnly)
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    if (field.kind == FieldKind::Number)
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("4294967294")) + 16);
    else
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("M")) * 20);
    return edit;
}

void SettingsSheet::readControls(SettingsPage page)
{
    for (int id : SettingsForm::fieldsOn(page)) {
        QWidget* control = controls_[std::size_t(id)];
        if (auto* box = qobject_cast<QCheckBox*>(control))
            form_.setChecked(id, box->isChecked());
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            form_.setText(id, combo->currentIndex() < 0 ? std::string() : std::to_string(combo->currentIndex()));
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            form_.setText(id, bytesOf(edit->text(), form_.text(id)));
    }
}

// Shows the message, then puts the cursor in the field so it can be mended.
bool SettingsSheet::refuse(const FieldProblem& problem)
{
    showPage(int(SettingsForm::field(problem.id).page));
    QMessageBox::warning(this, QStringLiteral("Varnix"), qtext(problem.message));
    if (auto* edit = qobject_cast<QLineEdit*>(controls_[std::size_t(problem.id)])) {
        edit->setFocus();
        edit->selectAll();
    }
    return false;
}

void SettingsSheet::showPage(int index)
{
    QSignalBlocker quiet(pages_);
    pages_->setCurrentIndex(index);
    shownPage_ = index;
}

// A page is read as it is left; one that does not read is not left.
void SettingsSheet::pageChanged(int index)
{
    auto leaving = static_cast<SettingsPage>(shownPage_);
    readControls(leaving);
    if (auto problem = form_.check(leaving)) {
        refuse(*problem);
        return;
    }
    shownPage_ = index;
}

void SettingsSheet::accept()
{
    auto shown = static_cast<SettingsPage>(shownPage_);
    readControls(shown);
    if (auto problem = form_.check(shown)) {
        refuse(*problem);
        return;
    }
    // Pages never opened still hold what was stored, which may be out of range.
    for (int page = 0; page < kSettingsPages; ++page)
        readControls(static_cast<SettingsPage>(page));
    if (auto problem = form_.checkAll()) {
        refuse(*problem);
        return;
    }
    form_.applyTo(record_);
    record_.save(profile_, prefix_);
    profile_.flush();
    releaseSite();
    QDialog::accept();
}

void SettingsSheet::reject()
{
    releaseSite();
    QDialog::reject();
}

void SettingsSheet::releaseSite()
{
    siteLock_.reset();
}

} // namespace varnix
