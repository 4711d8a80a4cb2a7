#include "browser/dnd/Drops.h"

#include "browser/remote/DragSources.h"
#include "browser/remote/RemoteBrowser.h"
#include "model/RemoteFolder.h"
#include "queue/ConflictChoice.h"

namespace varnix {
namespace {

DropPlan refused(Refusal why)
{
    DropPlan plan;
    plan.refusal = why;
    return plan;
}

DropPlan filesPlan(const DropData& data)
{
    DropPlan plan;
    plan.kind = DropKind::Files;
    plan.refusal = Refusal::None;
    plan.files = data.files;
    return plan;
}

// The rows the payload names, found by name in the folder their window
// still shows; names that have gone from it meanwhile are passed over.
DropPlan rowsPlan(const std::string& bytes)
{
    std::optional<DragPayload> payload = decodePayload(bytes);
    if (!payload)
        return refused(Refusal::Malformed);
    if (payload->process != currentProcess())
        return refused(Refusal::OtherProcess);
    RemoteBrowser* source = drag_sources::find(payload->window);
    if (!source)
        return refused(Refusal::SourceClosed);
    if (!source->shownFolder() || source->currentPath() != payload->folder)
        return refused(Refusal::FolderLeft);
    DropPlan plan;
    plan.kind = DropKind::RemoteRows;
    plan.refusal = Refusal::None;
    plan.source = source;
    plan.sourceId = payload->window;
    plan.rows.folder = source->shownFolder();
    for (const std::string& name : payload->names)
        if (const RemoteFile* entry = plan.rows.folder->find(name))
            plan.rows.entries.push_back(entry);
    return plan;
}

// Host and port stand for the server whoever logs in; a copy of a folder
// onto itself would read a file while the same server truncates it.
bool sameFolder(const RemoteBrowser& a, const RemoteBrowser& b)
{
    if (a.currentPath() != b.currentPath())
        return false;
    LoginData one = LockedAccess<SiteContext>(a.site())->loginCopy();
    LoginData two = LockedAccess<SiteContext>(b.site())->loginCopy();
    return one.host == two.host && one.port == two.port;
}

// A question about one item lets other events in; the source window must
// still be there for the next.
bool sourceStays(const DropPlan& plan)
{
    return drag_sources::find(plan.sourceId) == plan.source;
}

} // namespace

DragPayload payloadOf(const RemoteBrowser& source, const RowSelection& rows)
{
    DragPayload payload{currentProcess(), source.dragId(), source.currentPath(), {}};
    for (const RemoteFile* entry : rows.entries)
        payload.names.push_back(entry->name());
    return payload;
}

DropPlan planLocalDrop(const DropData& data)
{
    if (!data.files.empty())
        return filesPlan(data);
    if (data.payload)
        return rowsPlan(*data.payload);
    return refused(Refusal::NothingToTake);
}

DropPlan planRemoteDrop(const DropData& data, const RemoteBrowser& target)
{
    if (!data.files.empty() || data.payload) {
        if (target.currentPath().empty())
            return refused(Refusal::NoFolder);
    }
    if (!data.files.empty())
        return filesPlan(data);
    if (!data.payload)
        return refused(Refusal::NothingToTake);
    DropPlan plan = rowsPlan(*data.payload);
    if (plan && plan.source == &target)
        return refused(Refusal::OwnWindow);
    if (plan && sameFolder(*plan.source, target))
        return refused(Refusal::SameFolder);
    return plan;
}

void downloadDropped(const DropPlan& plan, const std::string& folder, bool move)
{
    if (plan.kind != DropKind::RemoteRows)
        return;
    ConflictChoice choice;
    for (const RemoteFile* entry : plan.rows.entries) {
        if (!sourceStays(plan))
            return;
        QueueItemHandle item = plan.source->download(*entry, choice, plan.source->transferNow(), folder);
        if (move)
            plan.source->removeWhenDone(item, *entry);
    }
}

void dropOnRemote(const DropPlan& plan, RemoteBrowser& target, bool move)
{
    ConflictChoice choice;
    if (plan.kind == DropKind::Files) {
        for (const std::string& path : plan.files)
            target.upload(path, choice, target.transferNow());
        return;
    }
    if (plan.kind != DropKind::RemoteRows || plan.source == &target)
        return;
    for (const RemoteFile* entry : plan.rows.entries) {
        if (!sourceStays(plan))
            return;
        // The source site is asked only when the target's says "now".
        bool startNow = target.transferNow() && plan.source->transferNow();
        QueueItemHandle item = target.siteToSite(*plan.source, *entry, choice, startNow);
        if (move)
            plan.source->removeWhenDone(item, *entry);
    }
}

} // namespace varnix
