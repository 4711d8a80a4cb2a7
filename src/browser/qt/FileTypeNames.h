#pragma once
// What the desktop calls a kind of file, as the Type column of every
// browser window shows it: the MIME type's description with a capital
// first letter ("Folder", "Plain text document"), and "File" for the
// catch-all type, which says nothing more. Safe on any thread.

#include <QMimeType>
#include <QString>

#include <string>

namespace varnix {

std::string typeNameOf(const QMimeType& type);

// The type a name gives by its extension alone: a remote entry offers no
// content to look at, and reading every local file's first bytes would make
// a large folder slow to list.
QMimeType mimeTypeOfName(const QString& fileName);
// A type by its MIME name ("inode/directory").
QMimeType mimeTypeNamed(const QString& mimeName);

} // namespace varnix
