#include "browser/qt/ThemeIcons.h"

#include <QApplication>

namespace varnix {

QIcon themeIcon(const QString& name, const QString& fallbackName, QStyle::StandardPixmap plain)
{
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull() && !fallbackName.isEmpty())
        icon = QIcon::fromTheme(fallbackName);
    return icon.isNull() ? QApplication::style()->standardIcon(plain) : icon;
}

QIcon themeIcon(const QString& name, const QString& fallbackName, bool folder)
{
    return themeIcon(name, fallbackName, folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
}

} // namespace varnix
