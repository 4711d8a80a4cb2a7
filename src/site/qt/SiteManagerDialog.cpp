#include "site/qt/SiteManagerDialog.h"

#include "platform/qt/DisplayText.h"
#include "site/LoginData.h"
#include "site/qt/SettingsSheet.h"
#include "site/qt/SiteTree.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace varnix {
namespace {

QLineEdit* lineEdit(const QString& label)
{
    auto* edit = new QLineEdit;
    edit->setAccessibleName(QString(label).remove(u'&'));
    return edit;
}

// Letters typed into the field become lower case; stored text that is never
// typed into stays as it was.
void lowerCaseTyping(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        QString lower = text.toLower();
        if (lower != text) {
            int cursor = edit->cursorPosition();
            edit->setText(lower);
            edit->setCursorPosition(cursor);
        }
    });
}

void setTextKeepingCursor(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

SiteManagerDialog::SiteManagerDialog(SiteListEdit& edit, Profile& profile, LoginRegistry& logins, QWidget* parent)
    : QDialog(parent), edit_(edit), profile_(profile), logins_(logins)
{
    setWindowTitle(QStringLiteral("Site Manager"));
    buildFields();
    buildTree();
    buildActions();

    settings_ = new QPushButton(QStringLiteral("&Settings..."));
    settings_->setAccessibleName(QStringLiteral("Settings..."));
    settings_->setAutoDefault(false);
    connect(settings_, &QPushButton::clicked, this, &SiteManagerDialog::openSettings);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(u'&'));
    connect(buttons, &QDialogButtonBox::accepted, this, &SiteManagerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SiteManagerDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Label:"), label_);
    fields->addRow(QStringLiteral("Host:"), host_);
    fields->addRow(QStringLiteral("Port:"), port_);
    fields->addRow(QStringLiteral("Username:"), username_);
    fields->addRow(QStringLiteral("Password:"), password_);
    fields->addRow(QStringLiteral("Default Directory:"), directory_);
    fields->addRow(QStringLiteral("Comment:"), comment_);
    fields->addRow(anonymous_);
    auto* settingsRow = new QHBoxLayout;
    settingsRow->addWidget(settings_);
    settingsRow->addStretch();
    fields->addRow(settingsRow);
    auto* columns = new QHBoxLayout;
    columns->addLayout(fields, 3);
    columns->addWidget(tree_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    enableFields();
    fillLevel(nullptr, SiteEntry::kTopLevel);
    // The last entry is the one a bookmark just added.
    if (edit_.size() > 0)
        select(edit_.size() - 1);
    resize(sizeHint().expandedTo(QSize(620, 380)));
}

void SiteManagerDialog::buildFields()
{
    label_ = lineEdit(QStringLiteral("Label:"));
    host_ = lineEdit(QStringLiteral("Host:"));
    port_ = lineEdit(QStringLiteral("Port:"));
    username_ = lineEdit(QStringLiteral("Username:"));
    password_ = lineEdit(QStringLiteral("Password:"));
    directory_ = lineEdit(QStringLiteral("Default Directory:"));
    comment_ = new QPlainTextEdit;
    comment_->setAccessibleName(QStringLiteral("Comment:"));
    comment_->setTabChangesFocus(true);
    anonymous_ = new QCheckBox(QStringLiteral("&Anonymous Login"));
    anonymous_->setAccessibleName(QStringLiteral("Anonymous Login"));

    lowerCaseTyping(host_);
    lowerCaseTyping(username_);
    port_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), port_));
    password_->setEchoMode(QLineEdit::Password);
    for (QLineEdit* login : {username_, password_, label_})
        connect(login, &QLineEdit::textEdited, this, &SiteManagerDialog::typedIntoLogin);
    connect(anonymous_, &QCheckBox::clicked, this, &SiteManagerDialog::anonymousClicked);
}

void SiteManagerDialog::buildTree()
{
    tree_ = new SiteTree;
    tree_->canDrop = [this](int dragged, int target) { return edit_.canDrop(dragged, target); };
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* now, QTreeWidgetItem*) { selectionMoved(now); });
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) { labelEdited(item); });
    connect(tree_, &QWidget::customContextMenuRequested, this, &SiteManagerDialog::showContextMenu);
    connect(tree_, &SiteTree::dropped, this, &SiteManagerDialog::dropped);
}

// F2 and Del act only while the tree has the focus, so that the fields keep them.
void SiteManagerDialog::buildActions()
{
    rename_ = new QAction(QStringLiteral("Rename"), tree_);
    rename_->setShortcut(Qt::Key_F2);
    rename_->setShortcutContext(Qt::WidgetShortcut);
    connect(rename_, &QAction::triggered, this, &SiteManagerDialog::renameSelected);
    delete_ = new QAction(QStringLiteral("Delete"), tree_);
    delete_->setShortcut(Qt::Key_Delete);
    delete_->setShortcutContext(Qt::WidgetShortcut);
    connect(delete_, &QAction::triggered, this, &SiteManagerDialog::deleteSelected);
    tree_->addAction(rename_);
    tree_->addAction(delete_);
}

void SiteManagerDialog::fillLevel(QTreeWidgetItem* under, int parent)
{
    QSignalBlocker quiet(tree_);
    for (int i : edit_.childrenOf(parent)) {
        const SiteEntry& e = edit_.entry(i);
        QTreeWidgetItem* item = tree_->addItem(under, i, displayText(e.label), e.isFolder());
        if (e.isFolder())
            fillLevel(item, i);
    }
}

void SiteManagerDialog::select(int index)
{
    QTreeWidgetItem* item = tree_->itemOf(index);
    if (!item)
        return;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
}

// What was typed is stored into the entry being left before the new one shows.
void SiteManagerDialog::selectionMoved(QTreeWidgetItem* now)
{
    storeFields();
    selected_ = SiteTree::indexOf(now);
    enableFields();
    fillFields();
}

void SiteManagerDialog::storeFields()
{
    if (!edit_.valid(selected_))
        return;
    SiteEntry& e = edit_.entry(selected_);
    SiteFields f;
    f.anonymous = anonymous_->isChecked();
    f.host = bytesOf(host_->text(), e.host);
    f.port = bytesOf(port_->text(), e.port);
    f.username = bytesOf(username_->text(), e.username);
    f.password = bytesOf(password_->text(), e.password);
    f.directory = bytesOf(directory_->text(), e.directory);
    f.comment = bytesOf(comment_->toPlainText(), e.comment);
    f.label = bytesOf(label_->text(), e.label);
    if (e.isFolder())
        f.anonymous = false;
    f.storeInto(e);
    if (QTreeWidgetItem* item = tree_->itemOf(selected_)) {
        QSignalBlocker quiet(tree_);
        item->setText(0, displayText(e.label));
    }
}

void SiteManagerDialog::fillFields()
{
    SiteFields f = edit_.valid(selected_) ? SiteFields::of(edit_.entry(selected_)) : SiteFields{};
    anonymous_->setChecked(f.anonymous);
    setTextKeepingCursor(host_, displayText(f.host));
    setTextKeepingCursor(port_, displayText(f.port));
    setTextKeepingCursor(username_, displayText(f.username));
    setTextKeepingCursor(password_, displayText(f.password));
    setTextKeepingCursor(directory_, displayText(f.directory));
    if (comment_->toPlainText() != displayText(f.comment))
        comment_->setPlainText(displayText(f.comment));
    setTextKeepingCursor(label_, displayText(f.label));
}

void SiteManagerDialog::enableFields()
{
    bool any = edit_.valid(selected_);
    bool site = any && !edit_.entry(selected_).isFolder();
    label_->setEnabled(any);
    comment_->setEnabled(any);
    for (QWidget* w : std::initializer_list<QWidget*>{host_, port_, username_, password_, directory_, anonymous_,
                                                      settings_})
        w->setEnabled(site);
}

// The tree follows the label as it is typed, and the check box follows the login.
void SiteManagerDialog::typedIntoLogin()
{
    anonymous_->setChecked(false);
    storeFields();
    fillFields();
}

void SiteManagerDialog::anonymousClicked()
{
    if (anonymous_->isChecked()) {
        username_->clear();
        password_->clear();
    }
    storeFields();
}

void SiteManagerDialog::labelEdited(QTreeWidgetItem* item)
{
    int index = SiteTree::indexOf(item);
    if (!edit_.valid(index))
        return;
    edit_.entry(index).label = bytesOf(item->text(0), edit_.entry(index).label);
    if (index == selected_)
        setTextKeepingCursor(label_, item->text(0));
}

void SiteManagerDialog::showContextMenu(const QPoint& at)
{
    QTreeWidgetItem* item = tree_->itemAt(at);
    std::optional<int> clicked;
    if (item) {
        tree_->setCurrentItem(item);
        clicked = SiteTree::indexOf(item);
    }
    QMenu menu(this);
    menu.addAction(QStringLiteral("New Site"), this, [this, clicked] { addEntry(false, clicked); });
    menu.addAction(QStringLiteral("New Folder"), this, [this, clicked] { addEntry(true, clicked); });
    if (item) {
        menu.addSeparator();
        menu.addAction(rename_);
        menu.addAction(delete_);
    }
    menu.exec(tree_->viewport()->mapToGlobal(at));
}

void SiteManagerDialog::addEntry(bool folder, std::optional<int> clicked)
{
    int index = edit_.add(folder, clicked);
    const SiteEntry& e = edit_.entry(index);
    QTreeWidgetItem* parent = tree_->itemOf(e.parent);
    tree_->addItem(parent, index, displayText(e.label), folder);
    select(index);
    renameSelected();
}

void SiteManagerDialog::renameSelected()
{
    if (QTreeWidgetItem* item = tree_->currentItem())
        tree_->editItem(item, 0);
}

void SiteManagerDialog::deleteSelected()
{
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return;
    edit_.remove(SiteTree::indexOf(item));
    // The entry is gone: nothing typed into it needs storing.
    selected_ = -1;
    delete item;
    selected_ = SiteTree::indexOf(tree_->currentItem());
    enableFields();
    fillFields();
}

// A temporary site from what the fields hold now, for as long as the sheet is open.
void SiteManagerDialog::openSettings()
{
    LoginData typed{bytesOf(host_->text()), bytesOf(port_->text()), bytesOf(username_->text()),
                    bytesOf(password_->text())};
    if (edit_.valid(selected_)) {
        const SiteEntry& e = edit_.entry(selected_);
        typed = {bytesOf(host_->text(), e.host), bytesOf(port_->text(), e.port),
                 bytesOf(username_->text(), e.username), bytesOf(password_->text(), e.password)};
    }
    SettingsSheet::editTypedSite(this, typed, logins_, profile_);
}

void SiteManagerDialog::dropped(int dragged, int target)
{
    storeFields();
    edit_.move(dragged, target >= 0 ? std::optional<int>(target) : std::nullopt);
    int destination = edit_.entry(dragged).parent;
    {
        QSignalBlocker quiet(tree_);
        delete tree_->itemOf(dragged);
        if (QTreeWidgetItem* folder = tree_->itemOf(destination)) {
            qDeleteAll(folder->takeChildren());
            fillLevel(folder, destination);
        } else {
            tree_->clear();
            fillLevel(nullptr, SiteEntry::kTopLevel);
        }
    }
    selected_ = -1;
    select(dragged);
}

// While a label is being edited in place, Enter and Esc belong to its editor.
void SiteManagerDialog::keyPressEvent(QKeyEvent* event)
{
    bool editorKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter
                     || event->key() == Qt::Key_Escape;
    if (editorKey && tree_->editing()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SiteManagerDialog::accept()
{
    storeFields();
    QDialog::accept();
}

} // namespace varnix
