#pragma once
// Everything known about one connection target: the shared login data, the
// site's own settings and the cache of folders already listed.
//
// A SiteContext is always held through a LockedHandle; its lock guards the
// settings and the login handle. The directory cache has its own, inner lock.

#include "site/LoginData.h"
#include "site/SharedHandle.h"
#include "settings/SettingsRecord.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnix {

class LoginRegistry;
class Profile;
class RemoteFile;
class RemoteFolder;

using FolderHandle = SharedHandle<RemoteFolder>;

// Folder path to listing; an empty handle means "not known". Keys are exact
// and case-sensitive and are never removed while the site lives.
//
// Each key counts its stores. A listing fetched while another session
// changed the folder (and emptied its entry) must not be stored over that:
// the fetch notes the count before it starts and stores only if nothing was
// stored meanwhile.
class DirectoryCache {
public:
    DirectoryCache();
    ~DirectoryCache();
    void store(const std::string& path, FolderHandle folder);
    // False, and nothing stored, when the path was stored since `version`.
    bool storeIfUnchanged(const std::string& path, FolderHandle folder, std::uint64_t version);
    FolderHandle lookUp(const std::string& path) const;
    std::uint64_t version(const std::string& path) const;
    bool hasKey(const std::string& path) const;

private:
    struct Slot {
        FolderHandle folder;
        std::uint64_t version = 0;
    };
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Slot> folders_;
};

// An entry of a cached folder together with the folder that keeps it alive.
struct FoundEntry {
    FolderHandle folder;
    const RemoteFile* entry = nullptr;
    explicit operator bool() const { return entry != nullptr; }
};

class SiteContext {
public:
    // Takes the shared login record from the registry and loads the site's
    // settings from the profile under the site's identity.
    SiteContext(std::string_view host, std::string_view port, std::string_view user,
                std::string_view password, LoginRegistry& registry, Profile& profile,
                const SettingsRecord& global = SettingsRecord::global());
    SiteContext(std::string_view host, std::string_view port, std::string_view user,
                std::string_view password);
    ~SiteContext();

    // "user@host:port", with "anonymous" for an empty user name.
    std::string identity() const;
    static std::string identityOf(const LoginData& login);

    SettingsRecord& settings() { return settings_; }
    const SettingsRecord& settings() const { return settings_; }
    LockedHandle<LoginData> login() const { return login_; }
    LoginData loginCopy() const;

    void storeFolder(const std::string& path, FolderHandle folder);
    // For a listing fetched from the server: see DirectoryCache.
    std::uint64_t folderVersion(const std::string& path) const;
    bool storeFetchedFolder(const std::string& path, FolderHandle folder, std::uint64_t version);
    FolderHandle lookUpFolder(const std::string& path) const;
    FoundEntry findEntry(const std::string& path, std::string_view name) const;
    const DirectoryCache& cache() const { return cache_; }

private:
    DirectoryCache cache_;
    SettingsRecord settings_;
    LockedHandle<LoginData> login_;
};

using SiteHandle = LockedHandle<SiteContext>;

} // namespace varnix
