#include "app/qt/QuickConnectBar.h"

#include "platform/qt/DisplayText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QValidator>

namespace varnix {
namespace {

// Letters become lower case as they are typed.
class LowerCase : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toLower();
        return Acceptable;
    }
};

QLabel* labelFor(QWidget* field, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    field->setAccessibleName(text);
    return label;
}

} // namespace

QuickConnectBar::QuickConnectBar(QWidget* parent)
    : QWidget(parent),
      host_(new QComboBox(this)),
      user_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      port_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("QuickConnectBar"));
    setAccessibleName(tr("Quick Connect"));
    host_->setObjectName(QStringLiteral("Host"));
    user_->setObjectName(QStringLiteral("Username"));
    password_->setObjectName(QStringLiteral("Password"));
    port_->setObjectName(QStringLiteral("Port"));

    host_->setEditable(true);
    host_->setInsertPolicy(QComboBox::NoInsert);
    host_->setCompleter(nullptr);
    host_->setValidator(new LowerCase(host_));
    host_->lineEdit()->setAccessibleName(tr("Host:"));
    host_->setMinimumContentsLength(22);
    host_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    user_->setValidator(new LowerCase(user_));
    password_->setEchoMode(QLineEdit::Password);
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), port_));
    port_->setText(QStringLiteral("21"));
    QFontMetrics metrics(font());
    user_->setFixedWidth(metrics.horizontalAdvance(QLatin1Char('x')) * 16);
    password_->setFixedWidth(metrics.horizontalAdvance(QLatin1Char('x')) * 16);
    port_->setFixedWidth(metrics.horizontalAdvance(QLatin1Char('0')) * 7);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(labelFor(host_, tr("Host:"), this));
    row->addWidget(host_);
    row->addWidget(labelFor(user_, tr("Username:"), this));
    row->addWidget(user_);
    row->addWidget(labelFor(password_, tr("Password:"), this));
    row->addWidget(password_);
    row->addWidget(labelFor(port_, tr("Port:"), this));
    row->addWidget(port_);
    row->addStretch(1);

    for (QWidget* field : {static_cast<QWidget*>(host_), static_cast<QWidget*>(host_->lineEdit()),
                           static_cast<QWidget*>(user_), static_cast<QWidget*>(password_),
                           static_cast<QWidget*>(port_)})
        field->installEventFilter(this);
    connect(host_, &QComboBox::activated, this, &QuickConnectBar::hostPicked);
    connect(host_, &QComboBox::editTextChanged, this, &QuickConnectBar::fieldsChanged);
    for (QLineEdit* edit : {user_, password_, port_})
        connect(edit, &QLineEdit::textChanged, this, &QuickConnectBar::fieldsChanged);
}

void QuickConnectBar::load(Profile& profile)
{
    history_.load(profile);
    showHosts();
    setFields(history_.loadedFields());
}

void QuickConnectBar::save(Profile& profile) const
{
    history_.save(profile, fields());
}

ConnectFields QuickConnectBar::fields() const
{
    return ConnectFields::typed(bytesOf(host_->currentText()), bytesOf(port_->text()), bytesOf(user_->text()),
                                bytesOf(password_->text()));
}

ConnectFields QuickConnectBar::makeConnection()
{
    ConnectFields typed = fields();
    history_.record(typed);
    showHosts();
    return typed;
}

void QuickConnectBar::loggedIn(const ConnectFields& fields)
{
    std::size_t hosts = history_.hosts().size();
    history_.record(fields);
    if (history_.hosts().size() != hosts)
        showHosts();
}

// Enter connects before the field's own handling sees the key; in the host
// box that also keeps the combo box from treating it as a pick. The box,
// not its edit field, holds the focus and passes keys on to the field
// directly, so both are watched.
bool QuickConnectBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_ && event->type() == QEvent::FocusOut)
        return hostBoxEvent(event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
            emit connectRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QuickConnectBar::setFields(const ConnectFields& fields)
{
    host_->setEditText(displayText(fields.host));
    user_->setText(displayText(fields.user));
    password_->setText(displayText(fields.password));
    port_->setText(displayText(fields.port));
}

void QuickConnectBar::showHosts()
{
    QString typed = host_->currentText();
    {
        QSignalBlocker quiet(host_);
        host_->clear();
        for (const std::string& host : history_.hosts())
            host_->addItem(displayText(host));
        host_->setCurrentIndex(-1);
        host_->setEditText(typed);
    }
}

// As the box loses the focus, Qt "activates" the item whose name the typed
// host matches; that is no choice from the list, and what was typed into
// the other fields stays.
bool QuickConnectBar::hostBoxEvent(QEvent* event)
{
    QScopedValueRollback<bool> leaving(leavingHost_, true);
    static_cast<QObject*>(host_)->event(event);
    return true;
}

void QuickConnectBar::hostPicked(int index)
{
    if (index < 0 || leavingHost_)
        return;
    ConnectFields picked = history_.picked(bytesOf(host_->itemText(index)));
    user_->setText(displayText(picked.user));
    password_->setText(displayText(picked.password));
    port_->setText(displayText(picked.port));
}

} // namespace varnix
