#pragma once
// Icons from the desktop's icon theme, for local and remote entries alike:
// the named icon, else the fallback name's, else the style's plain one, so
// that every desktop shows something. UI thread only.

#include <QIcon>
#include <QString>
#include <QStyle>

namespace varnix {

QIcon themeIcon(const QString& name, const QString& fallbackName, QStyle::StandardPixmap plain);
// With the style's plain folder or file icon last.
QIcon themeIcon(const QString& name, const QString& fallbackName, bool folder);

} // namespace varnix
