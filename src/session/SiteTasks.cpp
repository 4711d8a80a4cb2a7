#include "session/SiteTasks.h"

#include "ftp/FtpProtocol.h"

namespace varnix {

void SiteUploadFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.SiteUploadFile(destinationFolder_, sourceFolder_, sourceSession_, targetName_, sourceName_, resume_);
}

void SiteDownloadFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.SiteDownloadFile(sourceFolder_, dataAddress_, dataPort_, sourceName_, restartOffset_, secureData_, link_);
}

SiteDownloadFileTask::~SiteDownloadFileTask()
{
    if (link_)
        link_->abandon(SiteCopyLink::Side::Source);
}

void SiteRelayFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.SiteRelayDownload(sourceFolder_, sourceName_, restartOffset_, link_);
}

SiteRelayFileTask::~SiteRelayFileTask()
{
    link_->abandon(SiteCopyLink::Side::Source);
}

void SiteDownloadFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.SiteDownloadFolder(sourceParent_, destinationParent_, thisSession_, destinationSession_, targetName_,
                              sourceName_, resume_, onlyNewer_);
}

void SiteHashTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    answer_.set_value(engine.SiteHash(folder_, name_, algorithm_));
}

void SiteUploadFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.SiteUploadFolder(workList_, sourceSession_, resume_, onlyNewer_);
}

} // namespace varnix
