#pragma once
// What the whole program shares while it runs: the open browser windows,
// most recently activated first (the current local window receives
// downloads, the current remote window uploads), the login records every
// new site draws on, the numbered layout sections of the windows, and the
// Site Manager's list. Remote windows lend their sessions to the transfer
// queue through it, and reach the queue itself through it.
//
// One exists from start-up to exit, handed to the windows and the queue that
// use it. It lives on the UI thread.

#include "queue/RemoteWindows.h"
#include "settings/ConnectHistory.h"
#include "settings/SiteList.h"
#include "settings/WindowSections.h"
#include "site/SiteContext.h"

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace varnix {

class DownloadTarget;
class LoginRegistry;
class Profile;
class SettingsRecord;
class TransferQueue;

class Workspace : public RemoteWindows {
public:
    // Loads the site list.
    Workspace(Profile& profile, LoginRegistry& logins, SettingsRecord& global);
    explicit Workspace(Profile& profile);
    // Saves the site list.
    ~Workspace() override;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    Profile& profile() { return profile_; }
    LoginRegistry& logins() { return logins_; }
    LockedHandle<LoginData> loginFor(std::string_view host, std::string_view port, std::string_view user,
                                     std::string_view password);
    // A new site for the four texts, with its own settings and cache.
    SiteHandle makeSite(const ConnectFields& fields);

    void activateLocal(DownloadTarget* window);
    void removeLocal(DownloadTarget* window);
    DownloadTarget* currentLocal() const { return locals_.empty() ? nullptr : locals_.front(); }
    const std::vector<DownloadTarget*>& localWindows() const { return locals_; }

    void activateRemote(RemoteWindow* window);
    void removeRemote(RemoteWindow* window);
    RemoteWindow* currentRemote() const { return remotes_.current(); }
    const std::vector<RemoteWindow*>& remoteWindows() const { return remotes_.windows(); }

    CFTPSession* acquire(const SiteHandle& site) override { return remotes_.acquire(site); }
    void giveBack(CFTPSession* session) override { remotes_.giveBack(session); }

    // Where uploads go: the local windows' Upload commands follow the
    // current remote window. A watcher is called when another remote window
    // becomes the current one and when the current one shows another
    // folder (or none); it stays until unwatched.
    using UploadWatcher = std::function<void()>;
    std::size_t watchUploadTarget(UploadWatcher watcher);
    void unwatchUploadTarget(std::size_t id);
    // A remote window shows another folder now.
    void remoteFolderChanged(RemoteWindow* window);

    WindowSections& sections() { return sections_; }

    // The program's one transfer queue; none before it exists and after it is gone.
    TransferQueue* queue() const { return queue_; }
    void setQueue(TransferQueue* queue) { queue_ = queue; }

    // The Site Manager's list: read from section "Sites" at start, written
    // back (section deleted first) at exit.
    SiteList& sites() { return sites_; }
    void loadSites();
    void saveSites();
    // A new site for a saved entry's login.
    SiteHandle siteFor(const SiteEntry& entry);

private:
    void uploadTargetChanged();

    Profile& profile_;
    LoginRegistry& logins_;
    SettingsRecord& global_;
    std::vector<DownloadTarget*> locals_;
    RemoteWindowList remotes_;
    std::vector<std::pair<std::size_t, UploadWatcher>> uploadWatchers_;
    std::size_t nextWatcher_ = 0;
    WindowSections sections_;
    SiteList sites_;
    TransferQueue* queue_ = nullptr;
};

} // namespace varnix
