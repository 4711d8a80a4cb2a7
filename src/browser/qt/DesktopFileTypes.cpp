#include "browser/qt/DesktopFileTypes.h"

#include "browser/qt/FileTypeNames.h"
#include "browser/qt/ThemeIcons.h"
#include "platform/qt/DisplayText.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace varnix {
namespace {

const QString kFolderType = QStringLiteral("inode/directory");

// An arrow in the lower left corner, as file managers mark links.
QPixmap withLinkArrow(QPixmap pixmap)
{
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = pixmap.width() / pixmap.devicePixelRatio() * 0.5;
    const QRectF box(0, pixmap.height() / pixmap.devicePixelRatio() - side, side, side);
    painter.setPen(QPen(QColor(0x4d, 0x57, 0x61), qMax<qreal>(1.0, side / 8)));
    painter.setBrush(Qt::white);
    painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    QPainterPath arrow;
    arrow.moveTo(box.left() + side * 0.25, box.bottom() - side * 0.2);
    arrow.quadTo(box.left() + side * 0.3, box.top() + side * 0.35, box.right() - side * 0.25, box.top() + side * 0.3);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    painter.drawLine(QPointF(box.right() - side * 0.25, box.top() + side * 0.3),
                     QPointF(box.right() - side * 0.45, box.top() + side * 0.18));
    painter.drawLine(QPointF(box.right() - side * 0.25, box.top() + side * 0.3),
                     QPointF(box.right() - side * 0.4, box.top() + side * 0.5));
    return pixmap;
}

} // namespace

DesktopFileTypes& DesktopFileTypes::instance()
{
    static DesktopFileTypes* provider = new DesktopFileTypes;
    return *provider;
}

DesktopFileTypes::DesktopFileTypes()
{
    // Without a desktop the theme may hold no MIME icons at all.
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // The numbers a listing read without a provider uses.
    describe("file", false, false);
    describe("folder", true, false);
}

FileType DesktopFileTypes::describe(std::string_view name, bool isFolder, bool isLink)
{
    QMimeType type = isFolder ? mimeTypeNamed(kFolderType) : mimeTypeOfName(displayText(name));
    std::lock_guard lock(mutex_);
    FileType result;
    result.iconIndex = kindIndex(type, isFolder, isLink);
    auto known = typeNames_.find(type.name());
    if (known == typeNames_.end())
        known = typeNames_.insert(type.name(), typeNameOf(type));
    result.typeText = *known;
    return result;
}

int DesktopFileTypes::kindIndex(const QMimeType& type, bool isFolder, bool isLink)
{
    const QString key = type.name() + (isLink ? QStringLiteral("+link") : QString());
    auto known = indexByKey_.find(key);
    if (known != indexByKey_.end())
        return *known;
    Kind kind{type.iconName(), type.genericIconName(), isFolder, isLink};
    kinds_.push_back(kind);
    indexByKey_.insert(key, int(kinds_.size() - 1));
    return int(kinds_.size() - 1);
}

QIcon DesktopFileTypes::icon(int index)
{
    Kind kind;
    {
        std::lock_guard lock(mutex_);
        if (index < 0 || std::size_t(index) >= kinds_.size())
            index = kFileIcon;
        if (std::size_t(index) < icons_.size() && !icons_[std::size_t(index)].isNull())
            return icons_[std::size_t(index)];
        kind = kinds_[std::size_t(index)];
    }
    QIcon made = makeIcon(kind);
    if (icons_.size() <= std::size_t(index))
        icons_.resize(std::size_t(index) + 1);
    icons_[std::size_t(index)] = made;
    return made;
}

QIcon DesktopFileTypes::makeIcon(const Kind& kind) const
{
    QIcon base = themeIcon(kind.iconName, kind.genericIconName, kind.folder);
    if (!kind.link)
        return base;
    QIcon linked;
    for (int size : {16, 22, 32})
        linked.addPixmap(withLinkArrow(base.pixmap(size, size)));
    return linked;
}

QIcon DesktopFileTypes::openFolderIcon()
{
    return themeIcon(QStringLiteral("folder-open"), QString(), QStyle::SP_DirOpenIcon);
}

} // namespace varnix
