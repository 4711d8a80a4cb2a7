#include "site/SiteBookmark.h"

namespace varnix {

SiteEntry bookmarkEntry(const SiteHandle& site, std::string_view directory)
{
    LoginData login = LockedAccess<SiteContext>(site)->loginCopy();
    return SiteEntry::bookmark(login.host, login.port, login.user, login.password, SiteContext::identityOf(login),
                               directory);
}

} // namespace varnix
