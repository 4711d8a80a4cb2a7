// Site-to-site copies: the destination server is put in passive mode and told
// to store, the source server is given that address with PORT and told to
// retrieve. The two sessions meet only through tasks posted onto each other.

#include "ftp/FtpProtocol.h"

#include "ftp/EntryNames.h"
#include "ftp/ReplyParsing.h"
#include "model/RemoteFolder.h"
#include "platform/Ticks.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace varnix {
namespace {

std::string joinRemote(const std::string& parent, const std::string& name)
{
    if (parent.empty() || parent.back() == '/')
        return parent + name;
    return parent + "/" + name;
}

struct FolderToWalk {
    std::string sourceParent, destinationParent, targetName, sourceName;
};

} // namespace

void FtpProtocol::SiteUploadFile(const std::string& destinationFolder, const std::string& sourceFolder,
                                 SitePeer* sourceSession, const std::string& targetName,
                                 const std::string& sourceName, bool resume)
{
    SetDirectory(destinationFolder);
    std::uint64_t offset = 0;
    if (resume) {
        SendCommand("SIZE " + targetName);
        // A destination that has no such file yet refuses SIZE: start from
        // the beginning rather than fail every retry of the copy.
        try {
            offset = parseReplyNumber(ReadReply("2")).value_or(0);
        } catch (const CFTPException&) {
            offset = 0;
        }
    }
    SendCommand("PASV");
    PassiveAddress address = parsePassiveReply(ReadReply("2"));
    SendCommand((resume && offset > 0 ? "APPE " : "STOR ") + targetName);
    sourceSession->SiteDownloadFile(sourceFolder, address.host, address.port, sourceName, offset);
    ReadReply("1");
    replyPending_ = true;
    ReadReply("2");
    storeEmptyListing(destinationFolder);
}

void FtpProtocol::SiteDownloadFile(const std::string& sourceFolder, const std::string& dataAddress,
                                   std::uint16_t dataPort, const std::string& sourceName,
                                   std::uint64_t restartOffset)
{
    SetDirectory(sourceFolder);
    std::uint64_t start = tickCount();
    std::uint64_t size = GetRemoteSize(sourceFolder, sourceName);
    // With an unknown size the file is sent anyway: treating it as complete
    // would leave an empty copy at the destination.
    if (size != kUnknownSize && restartOffset >= size) {
        mailbox_->sendProgress(0, restartOffset, restartOffset, restartOffset, {});
        data_.Close();
        data_.Create(false);
        data_.Connect(dataAddress, dataPort);
        data_.Close();
        return;
    }
    mailbox_->sendProgress(0, 0, restartOffset, size, {});
    SendCommand("PORT " + formatPortArgument(dataAddress, dataPort));
    ReadReply("2");
    if (restartOffset != 0) {
        SendCommand("REST " + std::to_string(restartOffset));
        ReadReply("3");
    }
    SendCommand("RETR " + sourceName);
    ReadReply("1");
    replyPending_ = true;
    ReadReply("2");
    if (restartOffset != 0) {
        SendCommand("REST 0");
        ReadReply("3");
    }
    std::uint64_t moved = size == kUnknownSize ? 0 : size - restartOffset;
    mailbox_->sendProgress(tickCount() - start, moved, restartOffset, size, {});
}

void FtpProtocol::SiteDownloadFolder(const std::string& sourceParent, const std::string& destinationParent,
                                     SitePeer* thisSession, SitePeer* destinationSession,
                                     const std::string& targetName, const std::string& sourceName, bool resume,
                                     bool onlyNewer)
{
    auto work = makeShared<SiteWorkList>();
    std::deque<FolderToWalk> walk{{sourceParent, destinationParent, targetName, sourceName}};
    std::vector<std::string> visited;
    while (!walk.empty()) {
        FolderToWalk item = std::move(walk.front());
        walk.pop_front();
        work->items.push_back({item.destinationParent, item.sourceParent, item.targetName, item.sourceName, 0, true});
        std::string destination = joinRemote(item.destinationParent, item.targetName);
        std::string source;
        FolderHandle listing;
        try {
            source = ResolvePath(item.sourceParent, item.sourceName);
            if (std::find(visited.begin(), visited.end(), source) != visited.end())
                continue;
            listing = ListFolder(source, {}, false);
        } catch (const CFTPException&) {
            continue;
        }
        for (const RemoteFile& entry : *listing) {
            if (!isPlainEntryName(entry.name())) {
                Status("Skipping unsafe name " + entry.name());
            } else if (entry.isFolder()) {
                walk.push_back({source, destination, entry.name(), entry.name()});
            } else {
                work->items.push_back({destination, source, entry.name(), entry.name(), entry.modified(), false});
            }
        }
        visited.push_back(source);
    }
    destinationSession->SiteUploadFolder(work, thisSession, resume, onlyNewer);
}

void FtpProtocol::SiteUploadFolder(SiteWorkHandle workList, SitePeer* sourceSession, bool resume, bool onlyNewer)
{
    while (!workList->items.empty()) {
        SiteWorkItem item = std::move(workList->items.front());
        workList->items.pop_front();
        FoundEntry existing = FindRemoteFile(item.destinationFolder, item.targetName);
        if (item.isFolder) {
            if (existing && existing.entry->isFolder())
                continue;
            if (existing)
                DeleteFile(item.destinationFolder, item.targetName);
            MakeFolder(item.destinationFolder, item.targetName);
        } else if (!(onlyNewer && existing && existing.entry->modified() >= item.sourceTime)) {
            SiteUploadFile(item.destinationFolder, item.sourceFolder, sourceSession, item.targetName,
                           item.sourceName, resume);
        }
    }
}

} // namespace varnix
