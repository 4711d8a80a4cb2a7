#pragma once
// The task kinds of a site-to-site copy. The queue posts the upload (file)
// and download (folder) tasks; the engine posts the others onto the other
// site's session while it runs.

#include "ftp/SitePeer.h"
#include "site/SessionTask.h"

#include <cstdint>
#include <future>
#include <string>

namespace varnix {

class SiteUploadFileTask : public SessionTask {
public:
    SiteUploadFileTask(std::string destinationFolder, std::string sourceFolder, SitePeer* sourceSession,
                       std::string targetName, std::string sourceName, bool resume)
        : sourceSession_(sourceSession), destinationFolder_(std::move(destinationFolder)),
          sourceFolder_(std::move(sourceFolder)), targetName_(std::move(targetName)),
          sourceName_(std::move(sourceName)), resume_(resume) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to site uploading file " + targetName_; }

private:
    SitePeer* sourceSession_;
    std::string destinationFolder_, sourceFolder_, targetName_, sourceName_;
    bool resume_;
};

class SiteDownloadFileTask : public SessionTask {
public:
    SiteDownloadFileTask(std::string sourceFolder, std::string dataAddress, std::uint16_t dataPort,
                         std::string sourceName, std::uint64_t restartOffset, bool secureData = false,
                         SiteCopyHandle link = {})
        : sourceFolder_(std::move(sourceFolder)), dataAddress_(std::move(dataAddress)),
          sourceName_(std::move(sourceName)), dataPort_(dataPort), restartOffset_(restartOffset),
          secureData_(secureData), link_(std::move(link)) {}
    // A task that never ran (cleared from the queue, the session closing)
    // ends its side of the link all the same, so the destination does not
    // wait for it; after the part has ended this changes nothing.
    ~SiteDownloadFileTask() override;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to site downloading file " + sourceName_; }

private:
    std::string sourceFolder_, dataAddress_, sourceName_;
    std::uint16_t dataPort_;
    std::uint64_t restartOffset_;
    bool secureData_;
    SiteCopyHandle link_;
};

// The source's part of a copy through Varnix: the file read into the link.
class SiteRelayFileTask : public SessionTask {
public:
    SiteRelayFileTask(std::string sourceFolder, std::string sourceName, std::uint64_t restartOffset,
                      SiteCopyHandle link)
        : sourceFolder_(std::move(sourceFolder)), sourceName_(std::move(sourceName)),
          restartOffset_(restartOffset), link_(std::move(link)) {}
    ~SiteRelayFileTask() override;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to site sending file " + sourceName_ + " through Varnix"; }

private:
    std::string sourceFolder_, sourceName_;
    std::uint64_t restartOffset_;
    SiteCopyHandle link_;
};

class SiteDownloadFolderTask : public SessionTask {
public:
    SiteDownloadFolderTask(SitePeer* thisSession, SitePeer* destinationSession, std::string sourceParent,
                           std::string destinationParent, std::string targetName, std::string sourceName,
                           bool resume, bool onlyNewer)
        : thisSession_(thisSession), destinationSession_(destinationSession),
          sourceParent_(std::move(sourceParent)), destinationParent_(std::move(destinationParent)),
          targetName_(std::move(targetName)), sourceName_(std::move(sourceName)), resume_(resume),
          onlyNewer_(onlyNewer) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to Site downloading folder " + sourceName_; }

private:
    SitePeer* thisSession_;
    SitePeer* destinationSession_;
    std::string sourceParent_, destinationParent_, targetName_, sourceName_;
    bool resume_, onlyNewer_;
};

class SiteUploadFolderTask : public SessionTask {
public:
    SiteUploadFolderTask(SitePeer* sourceSession, SiteWorkHandle workList, bool resume, bool onlyNewer)
        : sourceSession_(sourceSession), workList_(std::move(workList)), resume_(resume), onlyNewer_(onlyNewer) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to Site uploading folder"; }

private:
    SitePeer* sourceSession_;
    SiteWorkHandle workList_;
    bool resume_, onlyNewer_;
};

// The source's hash of a file just copied, for the destination to check its copy.
class SiteHashTask : public SessionTask {
public:
    SiteHashTask(std::string folder, std::string name, HashAlgorithm algorithm, std::promise<std::string> answer)
        : folder_(std::move(folder)), name_(std::move(name)), algorithm_(algorithm), answer_(std::move(answer)) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Site to site checking file " + name_; }

private:
    std::string folder_, name_;
    HashAlgorithm algorithm_;
    std::promise<std::string> answer_;
};

} // namespace varnix
