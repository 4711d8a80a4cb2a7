#pragma once
// What a site-to-site operation needs of the other site's session: posting
// the tasks that couple the two sessions. The session layer implements it.

#include "session/SharedHandle.h"

#include <cstdint>
#include <deque>
#include <string>

namespace varnix {

// The items a folder copy hands from the source session to the destination.
struct SiteWorkItem {
    std::string destinationFolder;
    std::string sourceFolder;
    std::string targetName;
    std::string sourceName;
    std::int64_t sourceTime = 0;   // files only
    bool isFolder = false;         // a folder to create, else a file to copy
};

struct SiteWorkList {
    std::deque<SiteWorkItem> items;
};

using SiteWorkHandle = SharedHandle<SiteWorkList>;

class SitePeer {
public:
    virtual ~SitePeer() = default;
    virtual void SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                  std::uint16_t dataPort, const std::string& sourceName,
                                  std::uint64_t restartOffset) = 0;
    virtual void SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume,
                                  bool onlyNewer) = 0;
};

} // namespace varnix
