#include "browser/qt/local/LocalFolderBox.h"

#include "platform/qt/DisplayText.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace varnix {
namespace {

constexpr int kFolderRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 14;

class IndentingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + index.data(kDepthRole).toInt() * kIndent);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + index.data(kDepthRole).toInt() * kIndent, size.height()};
    }
};

bool isEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

LocalFolderBox::LocalFolderBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(24);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(16);
    view()->setItemDelegate(new IndentingDelegate(view()));
    lineEdit()->installEventFilter(this);
    setAccessibleName(tr("Folder"));
    lineEdit()->setAccessibleName(tr("Folder"));
    connect(this, &QComboBox::activated, this, [this](int index) {
        std::string folder = folderAt(index);
        showFolder(shownText_);
        emit folderChosen(folder);
    });
}

void LocalFolderBox::showTree(const FolderTree& tree, const IconFor& iconFor)
{
    QSignalBlocker quiet(this);
    bool typing = lineEdit()->isModified();
    QString typed = lineEdit()->text();
    clear();
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        const FolderNode& node = tree.nodes[i];
        bool current = int(i) == tree.current;
        addItem(iconFor(current ? node.openIconName : node.iconName), displayText(node.name));
        setItemData(int(i), QByteArray::fromStdString(node.folder), kFolderRole);
        setItemData(int(i), node.depth, kDepthRole);
    }
    setCurrentIndex(tree.current);
    if (typing) {
        lineEdit()->setText(typed);
        lineEdit()->setModified(true);
    } else {
        lineEdit()->setText(shownText_);
    }
}

void LocalFolderBox::showFolder(const QString& text)
{
    shownText_ = text;
    lineEdit()->setText(text);
    lineEdit()->setModified(false);
}

std::string LocalFolderBox::folderAt(int index) const
{
    return itemData(index, kFolderRole).toByteArray().toStdString();
}

// Enter is taken here, so that the box neither adds the text as an item
// nor picks an item whose name happens to match it. The box holds the focus
// for its edit field and hands keys on to it directly, past any filter on
// the field; the filter serves keys sent to the field itself.
void LocalFolderBox::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(*event))
        emit folderTyped(lineEdit()->text());
    else
        QComboBox::keyPressEvent(event);
}

bool LocalFolderBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress && isEnter(*static_cast<QKeyEvent*>(event))) {
        emit folderTyped(lineEdit()->text());
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace varnix
