#include "app/ApplicationModel.h"

#include "app/LocalWindow.h"
#include "settings/SettingsRecord.h"
#include "site/LoginRegistry.h"

#include <algorithm>

namespace varnix {
ApplicationModel::ApplicationModel(Profile& profile, LoginRegistry& logins, SettingsRecord& global)
    : profile_(profile), logins_(logins), global_(global)
{
    loadSites();
}

ApplicationModel::ApplicationModel(Profile& profile)
    : ApplicationModel(profile, LoginRegistry::application(), SettingsRecord::global())
{
}

ApplicationModel::~ApplicationModel()
{
    saveSites();
}

LockedHandle<LoginData> ApplicationModel::loginFor(std::string_view host, std::string_view port,
                                                   std::string_view user, std::string_view password)
{
    return logins_.loginFor(host, port, user, password);
}

SiteHandle ApplicationModel::makeSite(const ConnectFields& fields)
{
    return makeLocked<SiteContext>(fields.host, fields.port, fields.user, fields.password, logins_, profile_,
                                   global_);
}

void ApplicationModel::activateLocal(LocalWindow* window)
{
    removeLocal(window);
    locals_.insert(locals_.begin(), window);
}

void ApplicationModel::removeLocal(LocalWindow* window)
{
    locals_.erase(std::remove(locals_.begin(), locals_.end(), window), locals_.end());
}

SiteHandle ApplicationModel::siteFor(const SiteEntry& entry)
{
    return makeSite(ConnectFields{entry.host, entry.port, entry.username, entry.password});
}

void ApplicationModel::loadSites()
{
    sites_.load(profile_);
}

void ApplicationModel::saveSites()
{
    sites_.save(profile_);
}

} // namespace varnix
