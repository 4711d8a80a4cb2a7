#pragma once
// What a site-to-site operation needs of the other site's session: posting
// the tasks that couple the two sessions. The session layer implements it.

#include "ftp/ServerHash.h"
#include "ftp/SiteCopyLink.h"
#include "site/SharedHandle.h"

#include <cstdint>
#include <deque>
#include <future>
#include <string>

namespace varnix {

// The items a folder copy hands from the source session to the destination.
struct SiteWorkItem {
    std::string destinationFolder;
    std::string sourceFolder;
    std::string targetName;
    std::string sourceName;
    std::int64_t sourceTime = 0;   // files only
    std::uint64_t sourceSize = 0;  // files only, as the source listed it
    bool isFolder = false;         // a folder to create, else a file to copy
};

struct SiteWorkList {
    std::deque<SiteWorkItem> items;
};

using SiteWorkHandle = SharedHandle<SiteWorkList>;

// Whether a session's data connections are encrypted (PROT P), as far as
// its last login has told.
enum class DataProtection { Unknown, Plain, Private };

// The family of a session's control connection, as far as its last
// connection has told. A copy needs both servers on the same one.
enum class IpVersion { Unknown, V4, V6 };

class SitePeer {
public:
    virtual ~SitePeer() = default;
    // Server to server: the source's server sends the file to the
    // destination's. dataAddress: numeric IPv4 or IPv6 text (PORT or EPRT).
    // secureData: the destination's server expects TLS on the copy's data
    // connection, taking the TLS client's part itself.
    virtual void SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                  std::uint16_t dataPort, const std::string& sourceName,
                                  std::uint64_t restartOffset, bool secureData, SiteCopyHandle link) = 0;
    // Through Varnix: the source session reads the file into the link,
    // from restartOffset on.
    virtual void SiteRelayFile(const std::string& sourceFolder, const std::string& sourceName,
                               std::uint64_t restartOffset, SiteCopyHandle link) = 0;
    virtual void SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume,
                                  bool onlyNewer) = 0;
    // The server's hash of a file, for checking a copy made from it: its
    // lower-case hex, empty when the server gave none. A session that drops
    // the task (cancelled, closed) breaks the promise.
    virtual void SiteHash(const std::string& folder, const std::string& name, HashAlgorithm algorithm,
                          std::promise<std::string> answer) = 0;
    // Safe to ask from the other session's thread.
    virtual DataProtection dataProtection() const = 0;
    virtual IpVersion ipVersion() const = 0;
    // What the server hashes with, as far as its last login has told.
    virtual HashSet offeredHashes() const = 0;
    // "user@host:port": which site this is, for remembering which pairs
    // of servers refuse each other.
    virtual std::string siteIdentity() const = 0;
};

} // namespace varnix
