#include "session/SessionTasks.h"

#include "ftp/FtpProtocol.h"
#include "model/RemoteFolder.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace varnix {

void QuitTask::execute(FtpProtocol& engine)
{
    // The session ends whatever the quit exchange does; release has usually
    // set an abort request that cuts the exchange short.
    try {
        engine.Quit();
    } catch (const CException&) {
    }
    throw SessionEnds{};
}

std::string ListTask::describe() const
{
    std::string text = "Listing contents";
    if (!name_.empty())
        text += " of " + name_;
    else if (!folder_.empty())
        text += " of " + folder_;
    return text;
}

void ListTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.ListFolder(folder_, name_, true);
}

void MakeFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.MakeFolder(folder_, name_);
    engine.RefreshFolder(folder_);
}

void RemoveFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.RemoveFolder(folder_, name_);
    engine.RefreshFolder(folder_);
}

void DeleteFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.DeleteFile(folder_, name_);
    engine.RefreshFolder(folder_);
}

void RenameTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.Rename(folder_, newName_, oldName_);
    engine.RefreshFolder(folder_);
}

void UploadFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.Upload(remoteFolder_, remoteName_, localPath_, resume_, {});
}

void DownloadFileTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.Download(remoteFolder_, localPath_, remoteName_, resume_, {});
}

void UploadFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.UploadFolder(remoteFolder_, remoteName_, localPath_, resume_, onlyNewer_);
}

void DownloadFolderTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.DownloadFolder(remoteFolder_, localPath_, remoteName_, resume_, onlyNewer_);
}

std::string ChownTask::describe() const
{
    return "Changing users of " + name_ + " to " + user_ + ":" + group_;
}

void ChownTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.Chown(folder_, name_, user_, group_);
    engine.RefreshFolder(folder_);
}

std::string ChmodTask::describe() const
{
    // Modes are read in octal everywhere else (chmod, SITE CHMOD, listings).
    char octal[16];
    std::snprintf(octal, sizeof octal, "0%03o", unsigned(mode_));
    return "Changing attributes of " + name_ + " to " + octal;
}

void ChmodTask::execute(FtpProtocol& engine)
{
    engine.Connect();
    engine.Chmod(folder_, name_, mode_);
    engine.RefreshFolder(folder_);
}

std::string SleepTask::describe() const
{
    if (!reason_.empty())
        return reason_ + ". Retrying in " + std::to_string(secondsLeft_) + " seconds";
    return "Sleeping for " + std::to_string(secondsLeft_) + " seconds";
}

void SleepTask::execute(FtpProtocol&)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    throw SleepOver{};
}

} // namespace varnix
