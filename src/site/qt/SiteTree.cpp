#include "site/qt/SiteTree.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTreeWidgetItemIterator>

namespace varnix {
namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
// The drag image: a 16-pixel icon, then the text 19 pixels from its left edge.
constexpr int kIconSize = 16;
constexpr int kTextOffset = 19;

QIcon siteIcon(bool folder, bool open)
{
    QStyle* style = QApplication::style();
    if (!folder)
        return style->standardIcon(QStyle::SP_DriveNetIcon);
    return style->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
}

QPixmap dragImage(const QTreeWidgetItem* item, const QFont& font, const QPalette& palette)
{
    QFontMetrics metrics(font);
    QString text = item->text(0);
    QSize size(kTextOffset + metrics.horizontalAdvance(text) + 2, std::max(kIconSize, metrics.height()));
    QPixmap image(size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    item->icon(0).paint(&painter, QRect(0, (size.height() - kIconSize) / 2, kIconSize, kIconSize));
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QRect(kTextOffset, 0, size.width() - kTextOffset, size.height()), Qt::AlignVCenter, text);
    return image;
}

} // namespace

SiteTree::SiteTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(kIconSize, kIconSize));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAccessibleName(QStringLiteral("Sites"));
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { folderOpened(item, true); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { folderOpened(item, false); });
}

int SiteTree::indexOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kIndexRole).toInt() : -1;
}

QTreeWidgetItem* SiteTree::itemOf(int index) const
{
    for (QTreeWidgetItemIterator it(const_cast<SiteTree*>(this)); *it; ++it)
        if (indexOf(*it) == index)
            return *it;
    return nullptr;
}

QTreeWidgetItem* SiteTree::addItem(QTreeWidgetItem* parent, int index, const QString& label, bool folder)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setData(0, kIndexRole, index);
    item->setData(0, kFolderRole, folder);
    item->setText(0, label);
    item->setIcon(0, siteIcon(folder, false));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

void SiteTree::folderOpened(QTreeWidgetItem* item, bool open)
{
    if (item->data(0, kFolderRole).toBool())
        item->setIcon(0, siteIcon(true, open));
}

void SiteTree::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    bool left = event->button() == Qt::LeftButton;
    pressed_ = left && item ? indexOf(item) : -1;
    pressedAt_ = event->position().toPoint();
}

void SiteTree::mouseMoveEvent(QMouseEvent* event)
{
    QPoint at = event->position().toPoint();
    if (!dragging_ && pressed_ >= 0 && (event->buttons() & Qt::LeftButton)
        && (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance())
        beginDrag(pressedAt_);
    if (!dragging_) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    int over = indexOf(itemAt(at));
    highlight(over >= 0 && canDrop && canDrop(pressed_, over) ? over : -1);
}

void SiteTree::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_) {
        pressed_ = -1;
        QTreeWidget::mouseReleaseEvent(event);
        return;
    }
    int dragged = pressed_;
    int target = target_;
    highlight(-1);
    dragging_ = false;
    pressed_ = -1;
    viewport()->releaseMouse();
    emit dropped(dragged, target);
}

// The image keeps the item where the cursor took hold of it.
void SiteTree::beginDrag(const QPoint& at)
{
    QTreeWidgetItem* item = itemOf(pressed_);
    if (!item)
        return;
    setCurrentItem(item);
    QRect rect = visualItemRect(item);
    int textLeft = rect.left() + iconSize().width() + (kTextOffset - kIconSize);
    QPixmap image = dragImage(item, font(), palette());
    QPoint hot(at.x() - textLeft + kTextOffset, at.y() - rect.top());
    hot.setX(std::clamp(hot.x(), 0, image.width() - 1));
    hot.setY(std::clamp(hot.y(), 0, image.height() - 1));
    dragging_ = true;
    viewport()->grabMouse(QCursor(image, hot.x(), hot.y()));
}

void SiteTree::highlight(int target)
{
    if (target == target_)
        return;
    if (QTreeWidgetItem* old = itemOf(target_)) {
        old->setBackground(0, QBrush());
        old->setForeground(0, QBrush());
    }
    target_ = target;
    if (QTreeWidgetItem* now = itemOf(target_)) {
        now->setBackground(0, palette().brush(QPalette::Highlight));
        now->setForeground(0, palette().brush(QPalette::HighlightedText));
    }
}

} // namespace varnix
