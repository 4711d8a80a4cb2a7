#pragma once
// A Site Manager entry for a connection that is open: its login as typed,
// labelled with the site's identity ("anonymous@host:21" for an anonymous
// login), opening in `directory` (a remote window's current folder, or
// empty from the quick-connect bar).

#include "settings/SiteList.h"
#include "site/SiteContext.h"

#include <string_view>

namespace varnix {

SiteEntry bookmarkEntry(const SiteHandle& site, std::string_view directory);

} // namespace varnix
