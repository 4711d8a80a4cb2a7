#include "browser/qt/FileTypeNames.h"

#include <QMimeDatabase>

namespace varnix {

// The database's descriptions read "plain text document"; a column of
// types reads better capitalised, as file managers show them.
std::string typeNameOf(const QMimeType& type)
{
    QString text = type.isValid() && !type.isDefault() ? type.comment() : QString();
    if (text.isEmpty())
        return "File";
    text[0] = text[0].toUpper();
    return text.toUtf8().toStdString();
}

QMimeType mimeTypeOfName(const QString& fileName)
{
    return QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
}

QMimeType mimeTypeNamed(const QString& mimeName)
{
    return QMimeDatabase().mimeTypeForName(mimeName);
}

} // namespace varnix
