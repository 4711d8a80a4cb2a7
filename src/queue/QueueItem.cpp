#include "queue/QueueItem.h"

#include "session/CFTPSession.h"

namespace varnix {

QueueItem::~QueueItem()
{
    if (workerA)
        workerA->release();
    if (workerB)
        workerB->release();
}

QueueItemHandle newDownload(SiteHandle site, std::string remoteDir, std::string remoteName, std::string localPath,
                            bool folder)
{
    auto item = makeShared<QueueItem>();
    item->folder = folder;
    item->sourceName = std::move(remoteName);
    item->targetName = std::move(localPath);
    item->remoteDirA = std::move(remoteDir);
    item->siteA = std::move(site);
    return item;
}

QueueItemHandle newUpload(SiteHandle site, std::string remoteDir, std::string localPath, std::string remoteName,
                          bool folder)
{
    auto item =
        newDownload(std::move(site), std::move(remoteDir), std::move(localPath), std::move(remoteName), folder);
    item->upload = true;
    return item;
}

QueueItemHandle newSiteCopy(SiteHandle destination, std::string destinationDir, std::string targetName,
                            SiteHandle source, std::string sourceDir, std::string sourceName, bool folder)
{
    auto item = newDownload(std::move(destination), std::move(destinationDir), std::move(sourceName),
                            std::move(targetName), folder);
    item->siteToSite = true;
    item->upload = true;
    item->siteB = std::move(source);
    item->remoteDirB = std::move(sourceDir);
    return item;
}

} // namespace varnix
