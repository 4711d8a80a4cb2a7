#pragma once
// The data of drags between Varnix's windows and with the desktop: local
// files as text/uri-list with file URLs (what file managers give and take),
// rows of a remote window under Varnix's own format, and what a drop onto
// a window offers, read back from either.

#include "browser/dnd/DragPayload.h"
#include "browser/dnd/Drops.h"

#include <Qt>

#include <memory>
#include <string>
#include <vector>

class QMimeData;

namespace varnix {

std::unique_ptr<QMimeData> localFilesData(const std::vector<std::string>& paths);
std::unique_ptr<QMimeData> remoteRowsData(const DragPayload& payload);
// Local files are the file URLs of text/uri-list; other URLs are passed over.
DropData dropDataOf(const QMimeData& data);
// How a window takes a drop it would make: rows of a remote window may be
// moved (they leave their server once copied); local files are only ever
// copied, whatever the drag proposes.
Qt::DropAction dropActionFor(const DropPlan& plan, Qt::DropAction proposed);

} // namespace varnix
