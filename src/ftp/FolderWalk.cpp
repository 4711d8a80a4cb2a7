#include "ftp/FolderWalk.h"

#include "ftp/EntryNames.h"
#include "ftp/FtpProtocol.h"
#include "model/RemoteFolder.h"
#include "model/RemotePath.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace varnix {
namespace {

std::vector<std::string_view> partsOf(std::string_view path)
{
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = std::min(path.find('/', at), path.size());
        std::string_view part = path.substr(at, end - at);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        at = end + 1;
    }
    return parts;
}

// A folder the server will not let us enter or list is passed over with
// everything below it; anything worse ends the walk.
std::optional<std::string> tryResolve(FtpProtocol& engine, const FolderWalk::Folder& folder)
{
    try {
        return engine.ResolvePath(folder.parent, folder.name);
    } catch (const CFTPException&) {
        return std::nullopt;
    }
}

FolderHandle tryList(FtpProtocol& engine, const std::string& remote)
{
    try {
        return engine.ListFolder(remote, {}, false, FtpProtocol::ListingUse::Walk);
    } catch (const CFTPException&) {
        return {};
    }
}

// `to` as seen from the folder `from`; both are paths of the copy.
std::string relativePath(const std::string& from, const std::string& to)
{
    const auto base = partsOf(from), goal = partsOf(to);
    std::size_t same = 0;
    while (same < base.size() && same < goal.size() && base[same] == goal[same])
        ++same;
    std::string path;
    for (std::size_t up = same; up < base.size(); ++up)
        path += path.empty() ? ".." : "/..";
    for (std::size_t down = same; down < goal.size(); ++down)
        path.append(path.empty() ? "" : "/").append(goal[down]);
    return path.empty() ? "." : path;
}

} // namespace

// Paths of the copy are '/'-separated on either side, local or remote.
std::string FolderWalk::copyPath(const Folder& folder)
{
    return joinRemotePath(folder.copyParent, folder.copyName);
}

void FolderWalk::run(Folder top)
{
    folders_.push_back(std::move(top));
    while (!folders_.empty() || !links_.empty()) {
        std::deque<Folder>& from = folders_.empty() ? links_ : folders_;
        Folder next = std::move(from.front());
        from.pop_front();
        next.link ? walkLink(std::move(next)) : walkFolder(std::move(next));
    }
}

void FolderWalk::walkFolder(Folder folder)
{
    startFolder(folder);
    if (auto remote = tryResolve(engine_, folder))
        copyContents(folder, *remote);
}

// Nothing is made for a link until it is known to be followed, so a link
// that is not leaves no empty folder behind.
void FolderWalk::walkLink(Folder link)
{
    if (!link.logical.empty()) {
        if (auto [inside, copy] = copyOf(link.logical); inside) {
            linkIntoCopy(link, relativePath(link.copyParent, copy));
            return;
        }
    }
    auto remote = tryResolve(engine_, link);
    if (!remote)
        return;
    if (auto known = copied_.find(*remote); known != copied_.end()) {
        linkIntoCopy(link, relativePath(link.copyParent, known->second));
        return;
    }
    startFolder(link);
    copyContents(link, *remote);
}

void FolderWalk::copyContents(Folder& folder, const std::string& remote)
{
    if (copied_.count(remote))
        return;
    FolderHandle listing = tryList(engine_, remote);
    if (!listing)
        return;
    if (folder.logical.empty())
        folder.logical = remote;
    if (trees_.empty() || folder.link)
        trees_.emplace_back(folder.logical, copyPath(folder));
    copied_.emplace(remote, copyPath(folder));
    for (const RemoteFile& entry : *listing)
        queueEntry(folder, remote, entry);
}

void FolderWalk::queueEntry(const Folder& folder, const std::string& remote, const RemoteFile& entry)
{
    // The name becomes part of a path of the copy: one that is not a plain
    // name could reach outside it.
    if (!isPlainEntryName(entry.name())) {
        engine_.Status("Skipping unsafe name " + entry.name());
        return;
    }
    if (!entry.isFolder()) {
        copyFile(folder, remote, entry);
        return;
    }
    Folder child{remote, entry.name(), copyPath(folder), entry.name(), {}, entry.isLink()};
    if (!child.link) {
        child.logical = joinRemotePath(folder.logical, entry.name());
        folders_.push_back(std::move(child));
        return;
    }
    if (!entry.linkTarget().empty())
        child.logical = resolveRemoteLink(folder.logical, entry.linkTarget());
    links_.push_back(std::move(child));
}

std::pair<bool, std::string> FolderWalk::copyOf(const std::string& logical) const
{
    for (const auto& [tree, copy] : trees_) {
        if (logical == tree)
            return {true, copy};
        const std::string below = tree.ends_with('/') ? tree : tree + "/";
        if (logical.starts_with(below))
            return {true, joinRemotePath(copy, logical.substr(below.size()))};
    }
    return {false, {}};
}

} // namespace varnix
