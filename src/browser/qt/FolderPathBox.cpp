#include "browser/qt/FolderPathBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace varnix {
namespace {

constexpr int kIndent = 14;

class IndentingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + index.data(FolderPathBox::kDepthRole).toInt() * kIndent);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + index.data(FolderPathBox::kDepthRole).toInt() * kIndent, size.height()};
    }
};

bool isEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

FolderPathBox::FolderPathBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(24);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(16);
    view()->setItemDelegate(new IndentingDelegate(view()));
    lineEdit()->installEventFilter(this);
    QObject::disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    setAccessibleName(tr("Folder"));
    lineEdit()->setAccessibleName(tr("Folder"));
    connect(this, &QComboBox::activated, this, &FolderPathBox::folderPicked);
}

void FolderPathBox::insertFolder(int row, const QIcon& icon, const QString& label, int depth,
                                 const std::string& path)
{
    insertItem(row, icon, label);
    setItemData(row, QByteArray::fromStdString(path), kFolderRole);
    setItemData(row, depth, kDepthRole);
}

std::string FolderPathBox::folderAt(int index) const
{
    return itemData(index, kFolderRole).toByteArray().toStdString();
}

// The box holds the focus for its edit field and hands keys on to it
// directly, past any filter on the field; the filter serves keys sent to
// the field itself.
void FolderPathBox::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(*event))
        emit folderTyped(lineEdit()->text());
    else
        QComboBox::keyPressEvent(event);
}

bool FolderPathBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress && isEnter(*static_cast<QKeyEvent*>(event))) {
        emit folderTyped(lineEdit()->text());
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace varnix
