#pragma once
// What the desktop calls a kind of file, as the Type column of every
// browser window shows it: the MIME type's description with a capital
// first letter ("Folder", "Plain text document"), and "File" for the
// catch-all type, which says nothing more. Safe on any thread.

#include <QMimeType>

#include <string>

namespace varnix {

std::string typeNameOf(const QMimeType& type);

} // namespace varnix
