#include "site/SiteContext.h"

#include "model/HostPort.h"
#include "model/RemoteFolder.h"
#include "platform/Profile.h"
#include "site/LoginRegistry.h"

namespace varnix {

DirectoryCache::DirectoryCache() = default;
DirectoryCache::~DirectoryCache() = default;

void DirectoryCache::store(const std::string& path, FolderHandle folder)
{
    std::lock_guard lock(mutex_);
    Slot& slot = folders_[path];
    slot.folder = std::move(folder);
    ++slot.version;
}

bool DirectoryCache::storeIfUnchanged(const std::string& path, FolderHandle folder, std::uint64_t version)
{
    std::lock_guard lock(mutex_);
    Slot& slot = folders_[path];
    if (slot.version != version)
        return false;
    slot.folder = std::move(folder);
    ++slot.version;
    return true;
}

FolderHandle DirectoryCache::lookUp(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto it = folders_.find(path);
    return it == folders_.end() ? FolderHandle{} : it->second.folder;
}

std::uint64_t DirectoryCache::version(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto it = folders_.find(path);
    return it == folders_.end() ? 0 : it->second.version;
}

bool DirectoryCache::hasKey(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    return folders_.count(path) != 0;
}

SiteContext::SiteContext(std::string_view host, std::string_view port, std::string_view user,
                         std::string_view password, LoginRegistry& registry, Profile& profile,
                         const SettingsRecord& global)
    : settings_(&global), login_(registry.loginFor(host, port, user, password))
{
    settings_.load(profile, identity());
}

SiteContext::SiteContext(std::string_view host, std::string_view port, std::string_view user,
                         std::string_view password)
    : SiteContext(host, port, user, password, LoginRegistry::application(), appProfile())
{
}

SiteContext::~SiteContext() = default;

std::string SiteContext::identityOf(const LoginData& login)
{
    return (login.user.empty() ? std::string("anonymous") : login.user) + "@" + hostPortText(login.host, login.port);
}

std::string SiteContext::identity() const
{
    return identityOf(loginCopy());
}

LoginData SiteContext::loginCopy() const
{
    LockedAccess<LoginData> data(login_);
    return *data;
}

void SiteContext::storeFolder(const std::string& path, FolderHandle folder)
{
    cache_.store(path, std::move(folder));
}

std::uint64_t SiteContext::folderVersion(const std::string& path) const
{
    return cache_.version(path);
}

bool SiteContext::storeFetchedFolder(const std::string& path, FolderHandle folder, std::uint64_t version)
{
    return cache_.storeIfUnchanged(path, std::move(folder), version);
}

FolderHandle SiteContext::lookUpFolder(const std::string& path) const
{
    return cache_.lookUp(path);
}

FoundEntry SiteContext::findEntry(const std::string& path, std::string_view name) const
{
    FoundEntry found{lookUpFolder(path), nullptr};
    if (found.folder)
        found.entry = found.folder->find(name);
    if (!found.entry)
        found.folder.reset();
    return found;
}

} // namespace varnix
