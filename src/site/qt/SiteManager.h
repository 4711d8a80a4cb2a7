#pragma once
// The Site Manager as the main window (and later the remote window) reaches
// it: the Site Manager dialog, bookmarks, and the saved sites in the Sites
// menu. The list itself belongs to the caller (the workspace), which loads
// it at start and saves it at exit; nothing here writes it to the
// profile.

#include "settings/SiteList.h"
#include "site/SiteContext.h"

#include <functional>
#include <optional>
#include <string_view>

class QMenu;
class QWidget;

namespace varnix {

class LoginRegistry;
class Profile;

class SiteManager {
public:
    // Opens a connection to a saved site: a new SiteContext from the entry's
    // login and a remote window starting in its directory.
    using OpenSite = std::function<void(const SiteEntry& entry)>;

    SiteManager(SiteList& list, Profile& profile, LoginRegistry& logins, OpenSite openSite);

    // "&Site Manager...": the dialog on a copy of the list, with `added` at
    // its end. OK replaces the list and rebuilds the Sites menu; Cancel
    // changes nothing. True for OK.
    bool open(QWidget* parent, std::optional<SiteEntry> added = std::nullopt);
    // "&Bookmark": the site's login as a new entry opening in `directory`.
    bool bookmark(QWidget* parent, const SiteHandle& site, std::string_view directory);

    // The menu whose first item is "&Site Manager...\tF4": every item after
    // it is replaced by the saved sites, now and after each OK. The menu must
    // not outlive this object.
    void setSitesMenu(QMenu* menu);
    void rebuildSitesMenu();
    // A site item's command number (57343 - index); a stale one does nothing.
    void openCommand(int command) const;

    const SiteList& list() const { return list_; }

private:
    SiteList& list_;
    Profile& profile_;
    LoginRegistry& logins_;
    OpenSite openSite_;
    QMenu* menu_ = nullptr;
};

} // namespace varnix
