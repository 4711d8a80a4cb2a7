#include "browser/Workspace.h"

#include "browser/DownloadTarget.h"
#include "settings/SettingsRecord.h"
#include "site/LoginRegistry.h"

#include <algorithm>

namespace varnix {
Workspace::Workspace(Profile& profile, LoginRegistry& logins, SettingsRecord& global)
    : profile_(profile), logins_(logins), global_(global)
{
    loadSites();
}

Workspace::Workspace(Profile& profile)
    : Workspace(profile, LoginRegistry::application(), SettingsRecord::global())
{
}

Workspace::~Workspace()
{
    saveSites();
}

LockedHandle<LoginData> Workspace::loginFor(std::string_view host, std::string_view port,
                                                   std::string_view user, std::string_view password)
{
    return logins_.loginFor(host, port, user, password);
}

SiteHandle Workspace::makeSite(const ConnectFields& fields)
{
    return makeLocked<SiteContext>(fields.host, fields.port, fields.user, fields.password, logins_, profile_,
                                   global_);
}

void Workspace::activateLocal(DownloadTarget* window)
{
    removeLocal(window);
    locals_.insert(locals_.begin(), window);
}

void Workspace::removeLocal(DownloadTarget* window)
{
    locals_.erase(std::remove(locals_.begin(), locals_.end(), window), locals_.end());
}

void Workspace::activateRemote(RemoteWindow* window)
{
    bool changed = window != remotes_.current();
    remotes_.activate(window);
    if (changed)
        uploadTargetChanged();
}

void Workspace::removeRemote(RemoteWindow* window)
{
    bool changed = window == remotes_.current();
    remotes_.remove(window);
    if (changed)
        uploadTargetChanged();
}

std::size_t Workspace::watchUploadTarget(UploadWatcher watcher)
{
    uploadWatchers_.emplace_back(++nextWatcher_, std::move(watcher));
    return nextWatcher_;
}

void Workspace::unwatchUploadTarget(std::size_t id)
{
    std::erase_if(uploadWatchers_, [id](const auto& entry) { return entry.first == id; });
}

void Workspace::remoteFolderChanged(RemoteWindow* window)
{
    if (window == remotes_.current())
        uploadTargetChanged();
}

// A watcher may unwatch itself or others while it is called.
void Workspace::uploadTargetChanged()
{
    auto watchers = uploadWatchers_;
    for (const auto& [id, watcher] : watchers)
        if (std::any_of(uploadWatchers_.begin(), uploadWatchers_.end(),
                        [id = id](const auto& entry) { return entry.first == id; }))
            watcher();
}

SiteHandle Workspace::siteFor(const SiteEntry& entry)
{
    return makeSite(ConnectFields{entry.host, entry.port, entry.username, entry.password});
}

void Workspace::loadSites()
{
    sites_.load(profile_);
}

void Workspace::saveSites()
{
    sites_.save(profile_);
}

} // namespace varnix
