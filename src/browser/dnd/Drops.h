#pragma once
// What a drop onto a browser window does, apart from the widgets that
// receive it. Local files (a file manager's text/uri-list, or rows of a
// local window) are copied into a local window's folder or uploaded into a
// remote window's; rows of a remote window (the private format) are
// downloaded into a local window's folder or copied site to site into
// another remote window's. The same rules answer the drag's enter and move
// events, so a drop that would be refused shows the no-drop cursor.
//
// One ConflictChoice serves a whole drop, and it always offers "Use for
// all selected". Each item starts at once or waits in the queue as the
// sites' TransferNow say; a site-to-site copy starts at once only when
// both sites say so.

#include "browser/dnd/DragPayload.h"
#include "browser/remote/RemoteInterfaces.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnix {

class RemoteBrowser;

// The formats a drop offers, as read from the drag's data.
struct DropData {
    std::vector<std::string> files;      // local paths, in drop order
    std::optional<std::string> payload;  // the private format's bytes
};

enum class DropKind { Refused, Files, RemoteRows };

enum class Refusal {
    None,
    NothingToTake,  // neither local files nor rows of a remote window
    Malformed,      // the private format holds no payload of ours
    OtherProcess,   // rows of another program's window: its entries are not here
    SourceClosed,   // the window the rows came from has closed
    FolderLeft,     // that window no longer shows the rows' folder
    OwnWindow,      // rows dropped back onto the window they came from
    SameFolder,     // a copy of the folder onto itself, on the same server
    NoFolder,       // the remote window shows no folder yet
};

struct DropPlan {
    DropKind kind = DropKind::Refused;
    Refusal refusal = Refusal::NothingToTake;
    std::vector<std::string> files;
    RemoteBrowser* source = nullptr;  // of remote rows
    std::uint64_t sourceId = 0;       // its number among the drag sources
    RowSelection rows;                // the source's entries, kept alive by their folder

    explicit operator bool() const { return kind != DropKind::Refused; }
};

// What a drag of the rows from `source` carries.
DragPayload payloadOf(const RemoteBrowser& source, const RowSelection& rows);

DropPlan planLocalDrop(const DropData& data);
DropPlan planRemoteDrop(const DropData& data, const RemoteBrowser& target);

// Remote rows downloaded into `folder` by the window they came from. With
// `move`, each row leaves the server once its transfer has completed.
void downloadDropped(const DropPlan& plan, const std::string& folder, bool move);
// Files uploaded into the target's folder (folders as folder transfers),
// or rows copied into it from their own server.
void dropOnRemote(const DropPlan& plan, RemoteBrowser& target, bool move);

} // namespace varnix
