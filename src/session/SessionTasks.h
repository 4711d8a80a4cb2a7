#pragma once
// The task kinds a window or the transfer queue posts to a session. Each
// holds copies of its arguments, describes itself in one line for the status
// bar and calls one family of engine operations.

#include "site/SessionTask.h"

#include <cstdint>
#include <string>
#include <utility>

namespace varnix {

// Thrown by QuitTask to end the session's run loop.
struct SessionEnds {};
// Thrown by SleepTask to end its task quietly (no NoticeDone).
struct SleepOver {};

class QuitTask : public SessionTask {
public:
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Quitting FTP session"; }
};

// A task on one remote entry: a folder and a name inside it.
class EntryTask : public SessionTask {
public:
    EntryTask(std::string folder, std::string name) : folder_(std::move(folder)), name_(std::move(name)) {}
    std::string folder_;
    std::string name_;
};

class ListTask : public EntryTask {
public:
    using EntryTask::EntryTask;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override;
};

class MakeFolderTask : public EntryTask {
public:
    using EntryTask::EntryTask;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Creating directory " + name_; }
};

class RemoveFolderTask : public EntryTask {
public:
    using EntryTask::EntryTask;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Removing directory " + name_; }
};

class DeleteFileTask : public EntryTask {
public:
    using EntryTask::EntryTask;
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Removing file " + name_; }
};

class RenameTask : public SessionTask {
public:
    RenameTask(std::string folder, std::string newName, std::string oldName)
        : folder_(std::move(folder)), newName_(std::move(newName)), oldName_(std::move(oldName)) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Renaming file from " + oldName_ + " to " + newName_; }

private:
    std::string folder_, newName_, oldName_;
};

class UploadFileTask : public SessionTask {
public:
    UploadFileTask(std::string remoteFolder, std::string remoteName, std::string localPath, bool resume)
        : remoteFolder_(std::move(remoteFolder)), remoteName_(std::move(remoteName)),
          localPath_(std::move(localPath)), resume_(resume) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Uploading file " + remoteName_ + " from " + localPath_; }

private:
    std::string remoteFolder_, remoteName_, localPath_;
    bool resume_;
};

class DownloadFileTask : public SessionTask {
public:
    DownloadFileTask(std::string remoteFolder, std::string localPath, std::string remoteName, bool resume)
        : remoteFolder_(std::move(remoteFolder)), localPath_(std::move(localPath)),
          remoteName_(std::move(remoteName)), resume_(resume) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Downloading file " + remoteName_ + " to " + localPath_; }

private:
    std::string remoteFolder_, localPath_, remoteName_;
    bool resume_;
};

class UploadFolderTask : public SessionTask {
public:
    UploadFolderTask(std::string remoteFolder, std::string remoteName, std::string localPath, bool resume,
                     bool onlyNewer)
        : remoteFolder_(std::move(remoteFolder)), remoteName_(std::move(remoteName)),
          localPath_(std::move(localPath)), resume_(resume), onlyNewer_(onlyNewer) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Uploading folder " + remoteName_ + " from " + localPath_; }

private:
    std::string remoteFolder_, remoteName_, localPath_;
    bool resume_, onlyNewer_;
};

class DownloadFolderTask : public SessionTask {
public:
    DownloadFolderTask(std::string remoteFolder, std::string localPath, std::string remoteName, bool resume,
                       bool onlyNewer)
        : remoteFolder_(std::move(remoteFolder)), localPath_(std::move(localPath)),
          remoteName_(std::move(remoteName)), resume_(resume), onlyNewer_(onlyNewer) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override { return "Downloading folder " + remoteName_ + " to " + localPath_; }

private:
    std::string remoteFolder_, localPath_, remoteName_;
    bool resume_, onlyNewer_;
};

class ChownTask : public SessionTask {
public:
    ChownTask(std::string folder, std::string name, std::string user, std::string group)
        : folder_(std::move(folder)), name_(std::move(name)), user_(std::move(user)), group_(std::move(group)) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override;

private:
    std::string folder_, name_, user_, group_;
};

class ChmodTask : public SessionTask {
public:
    ChmodTask(std::string folder, std::string name, std::uint32_t mode)
        : mode_(mode), folder_(std::move(folder)), name_(std::move(name)) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override;

private:
    std::uint32_t mode_;
    std::string folder_, name_;
};

// One second of a countdown. With a reason (what failed) it counts down to
// the next attempt: "Connection refused. Retrying in 15 seconds".
class SleepTask : public SessionTask {
public:
    explicit SleepTask(std::uint32_t secondsLeft, std::string reason = {})
        : secondsLeft_(secondsLeft), reason_(std::move(reason)) {}
    void execute(FtpProtocol& engine) override;
    std::string describe() const override;

private:
    std::uint32_t secondsLeft_;
    std::string reason_;
};

} // namespace varnix
