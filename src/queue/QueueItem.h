#pragma once
// One transfer the user asked for: a file or folder download, upload or
// site-to-site copy, waiting in the transfer queue or being carried out by
// one or two sessions.
//
// Items are shared through SharedHandle (the queue, its view and the window
// that created an item may all hold one). Destroying an item releases any
// session it still holds.

#include "site/SharedHandle.h"
#include "site/SiteContext.h"

#include <cstdint>
#include <string>

namespace varnix {

class CFTPSession;

struct QueueItem {
    QueueItem() = default;
    ~QueueItem();
    QueueItem(const QueueItem&) = delete;
    QueueItem& operator=(const QueueItem&) = delete;

    bool queued = false;       // added without starting; cleared when started by a command or finished
    bool resume = false;       // continue a partial target; set on every retry
    bool onlyNewer = false;    // transfer only files newer than their target
    bool siteToSite = false;
    bool upload = false;       // local to remote; site-to-site items have it set
    bool folder = false;
    std::string sourceName;    // an upload's local path
    std::string targetName;    // a download's local path
    bool doneA = false;        // workerA has reported NoticeDone
    bool doneB = false;        // workerB has reported NoticeDone
    bool totalShown = false;   // a site-to-site folder's destination has reported its bytes
    CFTPSession* workerA = nullptr;   // serves siteA while the item runs
    CFTPSession* workerB = nullptr;   // serves siteB (site-to-site only)
    std::string remoteDirA;
    std::string remoteDirB;
    SiteHandle siteA;          // the remote site; a site-to-site item's destination
    SiteHandle siteB;          // a site-to-site item's source, else empty
    std::uint32_t retryCount = 0;     // automatic retries since last started afresh
    std::string failure;       // text of the last failure a worker reported
    std::string verification;  // "Verified SHA-256 of NAME" when the copy was verified

    bool complete() const { return doneA && (!siteToSite || doneB); }
    bool running() const { return workerA != nullptr || workerB != nullptr; }
    bool waiting() const { return !complete() && !running(); }
};

using QueueItemHandle = SharedHandle<QueueItem>;

// Items as the browser windows create them; the caller then sets queued,
// resume and onlyNewer.
QueueItemHandle newDownload(SiteHandle site, std::string remoteDir, std::string remoteName, std::string localPath,
                            bool folder);
QueueItemHandle newUpload(SiteHandle site, std::string remoteDir, std::string localPath, std::string remoteName,
                          bool folder);
QueueItemHandle newSiteCopy(SiteHandle destination, std::string destinationDir, std::string targetName,
                            SiteHandle source, std::string sourceDir, std::string sourceName, bool folder);

} // namespace varnix
