// The remote window's transfer routine: one item from this window to the
// local disk, from the local disk into this window's folder, or from
// another remote window's folder into this one's.

#include "browser/remote/RemoteBrowser.h"

#include "ftp/EntryNames.h"
#include "ftp/LocalPath.h"
#include "model/RemoteFolder.h"
#include "queue/ConflictChoice.h"
#include "queue/TransferQueue.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace varnix {
namespace {

struct LocalStatus {
    bool exists = false;
    bool folder = false;
    std::int64_t modified = 0;
};

LocalStatus localStatus(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, S_ISDIR(st.st_mode), std::int64_t(st.st_mtime)};
}

std::string localName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How one kind of transfer looks at its destination.
struct DestinationRules {
    std::function<bool(const std::string&)> exists;
    // Asks for another destination: a file save dialog or the Rename dialog.
    std::function<std::optional<std::string>(const std::string&)> another;
};

struct Settled {
    std::string destination;
    ConflictChoice choice;  // what applies to this item
};

// Asks about a destination that exists until the user settles on one.
// After a rename the item goes on with a copy of the choice that no longer
// offers "Use for all selected", so a second clash asks again for this item
// alone. None means the item is dropped.
std::optional<Settled> settle(BrowserDialogs& dialogs, ConflictChoice& shared, std::string destination,
                              const DestinationRules& rules)
{
    ConflictChoice* choice = &shared;
    ConflictChoice renamed;
    bool existed = false;
    while (rules.exists(destination)) {
        existed = true;
        if (choice->applyToAll != 1) {
            choice->skip = 0;
            dialogs.confirm(*choice, destination);
        }
        if (choice->action != ConflictRename)
            break;
        if (choice->skip)
            return std::nullopt;
        std::optional<std::string> next = rules.another(destination);
        if (!next || next->empty())
            return std::nullopt;
        destination = std::move(*next);
        renamed = *choice;
        renamed.applyToAll = ConflictChoice::kNotOffered;
        choice = &renamed;
    }
    // A Cancel given for all selected items drops the later clashes too;
    // an item whose destination is free was never in question.
    if (existed && choice->skip)
        return std::nullopt;
    return Settled{std::move(destination), *choice};
}

// The rule of the folder walks: with "only newer", a file whose existing
// destination is not older than the source (equal times too) is left alone.
bool notNewer(const ConflictChoice& choice, bool sourceIsFolder, std::optional<std::int64_t> destinationTime,
              std::int64_t sourceTime)
{
    return choice.newerOnly() && !sourceIsFolder && destinationTime && *destinationTime >= sourceTime;
}

// The time of a name in a remote folder's cached listing; none when it is not there.
std::optional<std::int64_t> cachedTime(const SiteHandle& site, const std::string& folder, const std::string& name)
{
    FoundEntry found = LockedAccess<SiteContext>(site)->findEntry(folder, name);
    return found ? std::optional(found.entry->modified()) : std::nullopt;
}

void applyChoice(QueueItem& item, const ConflictChoice& choice, bool startNow)
{
    item.queued = !startNow;
    item.resume = choice.resume();
    item.onlyNewer = choice.newerOnly();
}

} // namespace

QueueItemHandle RemoteBrowser::download(const RemoteFile& entry, ConflictChoice& choice, bool startNow)
{
    return download(entry, choice, startNow, host_.downloadFolder());
}

QueueItemHandle RemoteBrowser::download(const RemoteFile& entry, ConflictChoice& choice, bool startNow,
                                        const std::string& folder)
{
    // A listing names its entries; one holding a '/' would land outside the folder chosen.
    if (!isPlainEntryName(entry.name())) {
        view_.showStatus("Not downloaded: " + entry.name() + " is not a plain file name");
        return {};
    }
    if (!host_.queue())
        return {};
    DestinationRules rules{[](const std::string& path) { return localStatus(path).exists; },
                           [this](const std::string& path) { return dialogs_.saveAs(path); }};
    std::optional<Settled> settled = settle(dialogs_, choice, joinPath(folder, entry.name()), rules);
    if (!settled)
        return {};
    LocalStatus target = localStatus(settled->destination);
    if (notNewer(settled->choice, entry.isFolder(), target.exists ? std::optional(target.modified) : std::nullopt,
                 entry.modified()))
        return {};
    QueueItemHandle item =
        newDownload(site(), currentPath_, entry.name(), std::move(settled->destination), entry.isFolder());
    applyChoice(*item, settled->choice, startNow);
    enqueue(item, startNow, nullptr);
    return item;
}

QueueItemHandle RemoteBrowser::upload(const std::string& localPath, ConflictChoice& choice, bool startNow)
{
    const LocalStatus source = localStatus(localPath);
    const std::string name = localName(localPath);
    if (currentPath_.empty() || !host_.queue())
        return {};
    if (!source.exists || name.empty() || name == "/") {
        view_.showStatus("Not uploaded: " + localPath + " cannot be read");
        return {};
    }
    auto remoteTime = [this](const std::string& name) { return cachedTime(site(), currentPath_, name); };
    DestinationRules rules{[&](const std::string& name) { return remoteTime(name).has_value(); },
                           [this](const std::string& name) { return dialogs_.rename(name); }};
    std::optional<Settled> settled = settle(dialogs_, choice, name, rules);
    if (!settled || notNewer(settled->choice, source.folder, remoteTime(settled->destination), source.modified))
        return {};
    QueueItemHandle item = newUpload(site(), currentPath_, localPath, std::move(settled->destination), source.folder);
    applyChoice(*item, settled->choice, startNow);
    enqueue(item, startNow, nullptr);
    return item;
}

QueueItemHandle RemoteBrowser::siteToSite(RemoteBrowser& source, const RemoteFile& entry, ConflictChoice& choice,
                                          bool startNow)
{
    if (&source == this || currentPath_.empty() || !host_.queue())
        return {};
    auto remoteTime = [this](const std::string& name) { return cachedTime(site(), currentPath_, name); };
    DestinationRules rules{[&](const std::string& name) { return remoteTime(name).has_value(); },
                           [this](const std::string& name) { return dialogs_.rename(name); }};
    std::optional<Settled> settled = settle(dialogs_, choice, entry.name(), rules);
    if (!settled ||
        notNewer(settled->choice, entry.isFolder(), remoteTime(settled->destination), entry.modified()))
        return {};
    QueueItemHandle item = newSiteCopy(site(), currentPath_, std::move(settled->destination), source.site(),
                                       source.currentPath(), entry.name(), entry.isFolder());
    applyChoice(*item, settled->choice, startNow);
    enqueue(item, startNow, &source);
    return item;
}

// This window is siteA of every item it makes: the source of a download,
// the destination of an upload or a copy.
void RemoteBrowser::enqueue(const QueueItemHandle& item, bool startNow, RemoteBrowser* source)
{
    TransferQueue& queue = *host_.queue();
    queue.add(item);
    if (startNow) {
        CFTPSession* sessionA = handOver();
        CFTPSession* sessionB = source ? source->handOver() : nullptr;
        queue.start(item, sessionA, sessionB);
        std::erase_if(started_, [](const QueueItemHandle& done) { return !done->running(); });
        started_.push_back(item);
    }
    view_.refreshCommands();
}

// The item names the folder the entry was in when the transfer was made,
// whatever the window shows by the time it completes.
void RemoteBrowser::removeWhenDone(const QueueItemHandle& item, const RemoteFile& entry)
{
    if (!item)
        return;
    const std::string& folder = item->siteToSite ? item->remoteDirB : item->remoteDirA;
    moves_.push_back(Move{item, folder, entry.name(), entry.isFolder() && !entry.isLink()});
    view_.refreshCommands();
}

void RemoteBrowser::settleMoves()
{
    TransferQueue* queue = host_.queue();
    auto inQueue = [queue](const QueueItemHandle& item) {
        return queue && std::find(queue->items().begin(), queue->items().end(), item) != queue->items().end();
    };
    std::vector<Move> waiting;
    for (Move& move : moves_) {
        if (move.item->complete())
            removeEntry(move.folder, move.name, move.realFolder);
        else if (inQueue(move.item))
            waiting.push_back(std::move(move));
    }
    moves_ = std::move(waiting);
    view_.refreshCommands();
}

} // namespace varnix
