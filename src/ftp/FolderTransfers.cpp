// Whole folder trees: a download walks the remote tree in FolderWalk's
// order, an upload the local tree breadth-first. Each file goes through the
// single-file transfers; files and folders the server refuses are passed
// over, while network failures and aborts end the walk.

#include "ftp/FolderWalk.h"
#include "ftp/FtpProtocol.h"
#include "ftp/LocalPath.h"
#include "model/RemoteFolder.h"
#include "platform/Ticks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <optional>
#include <vector>

namespace varnix {

namespace {

// One local folder still to upload.
struct FolderItem {
    std::string parent;
    std::string localPath;
    std::string name;
};

std::optional<struct stat> statOf(const std::string& path, bool followLinks)
{
    struct stat info {};
    int result = followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (result != 0)
        return std::nullopt;
    return info;
}

// A folder at localPath afterwards: whatever else is in the way (a file, a
// dangling link) is removed first.
void ensureLocalFolder(const std::string& localPath)
{
    auto followed = statOf(localPath, true);
    if (followed && S_ISDIR(followed->st_mode))
        return;
    if (statOf(localPath, false) && ::unlink(localPath.c_str()) != 0)
        throw CFTPException("Removing local file " + localPath + " Failed");
    if (::mkdir(localPath.c_str(), 0777) != 0)
        throw CFTPException("Creating local folder " + localPath + " Failed");
}

void setLocalTime(const std::string& localPath, std::int64_t modified)
{
    if (modified == 0)
        return;
    struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modified), 0}};
    ::utimensat(AT_FDCWD, localPath.c_str(), times, 0);
}

std::optional<std::string> tryResolve(FtpProtocol& engine, const FolderItem& item)
{
    try {
        return engine.ResolvePath(item.parent, item.name);
    } catch (const CFTPException&) {
        return std::nullopt;
    }
}

// Only-newer compares times only when the server gave one: an entry without
// a time is always copied.
bool localIsNotOlder(const std::string& localPath, std::int64_t remoteTime)
{
    auto info = statOf(localPath, true);
    return remoteTime != 0 && info && static_cast<std::int64_t>(info->st_mtime) >= remoteTime;
}

class FolderDownload : public FolderWalk {
public:
    FolderDownload(FtpProtocol& engine, bool resume, bool onlyNewer)
        : FolderWalk(engine), resume_(resume), onlyNewer_(onlyNewer)
    {
    }

    std::uint64_t copy(Folder top)
    {
        try {
            run(std::move(top));
        } catch (...) {
            applyFolderTimes();
            throw;
        }
        applyFolderTimes();
        return total_;
    }

private:
    void startFolder(const Folder& folder) override
    {
        ensureLocalFolder(copyPath(folder));
        noteFolderTime(folder);
    }

    void copyFile(const Folder& folder, const std::string& remote, const RemoteFile& entry) override
    {
        const std::string child = joinPath(copyPath(folder), entry.name());
        if (onlyNewer_ && localIsNotOlder(child, entry.modified()))
            return;
        try {
            total_ += engine_.Download(remote, child, entry.name(), resume_, entry.name());
        } catch (const CFTPException&) {
        }
    }

    // A relative link keeps the copy whole wherever it is moved. What is in
    // its way goes first, as for files and folders, except a folder: that
    // may hold what an earlier copy put there, and stays.
    void linkIntoCopy(const Folder& link, const std::string& target) override
    {
        const std::string path = copyPath(link);
        auto own = statOf(path, false);
        if (own && S_ISDIR(own->st_mode)) {
            engine_.Status("Keeping local folder " + path + " where a link to " + target + " was");
            return;
        }
        if ((own && ::unlink(path.c_str()) != 0) || ::symlink(target.c_str(), path.c_str()) != 0)
            engine_.Status("Creating local link " + path + " Failed");
    }

    // The folder's own time is a courtesy: a server that cannot say it does
    // not stop the copy.
    void noteFolderTime(const Folder& folder)
    {
        try {
            folderTimes_.emplace_back(copyPath(folder), engine_.GetRemoteTime(folder.parent, folder.name));
        } catch (const CFTPException&) {
        }
    }

    // Every file and subfolder made inside a folder moves its time, so the
    // times are given once nothing more is written.
    void applyFolderTimes()
    {
        for (const auto& [localPath, modified] : folderTimes_)
            setLocalTime(localPath, modified);
        folderTimes_.clear();
    }

    bool resume_;
    bool onlyNewer_;
    std::vector<std::pair<std::string, std::int64_t>> folderTimes_;
    std::uint64_t total_ = 0;
};

// The names in a local folder, as bytes, without "." and "..". None when
// the folder cannot be read.
std::optional<std::vector<std::string>> localNames(const std::string& localPath)
{
    DIR* folder = ::opendir(localPath.c_str());
    if (!folder)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* found = ::readdir(folder)) {
        std::string_view name = found->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(folder);
    return names;
}

enum class LocalKind { Folder, File, Skipped };

// Links to files are uploaded as the file they point to. Links to folders
// are not followed: a link to an ancestor would make the walk endless, and
// nothing here tracks which local folders were already copied.
LocalKind kindOf(FtpProtocol& engine, const std::string& path)
{
    auto own = statOf(path, false);
    auto followed = statOf(path, true);
    if (own && followed && S_ISDIR(followed->st_mode) && !S_ISLNK(own->st_mode))
        return LocalKind::Folder;
    if (followed && S_ISREG(followed->st_mode))
        return LocalKind::File;
    // Reading a pipe or a device could block the session for good.
    engine.Status((followed && S_ISDIR(followed->st_mode) ? "Skipping link to folder " : "Skipping special file ")
                  + path);
    return LocalKind::Skipped;
}

std::int64_t localTime(const std::string& path)
{
    auto info = statOf(path, true);
    return info ? static_cast<std::int64_t>(info->st_mtime) : 0;
}

class FolderUpload {
public:
    FolderUpload(FtpProtocol& engine, bool resume, bool onlyNewer)
        : engine_(engine), resume_(resume), onlyNewer_(onlyNewer)
    {
    }

    std::uint64_t run(FolderItem first)
    {
        work_.push_back(std::move(first));
        bool starting = true;
        while (!work_.empty()) {
            FolderItem item = std::move(work_.front());
            work_.pop_front();
            copyFolder(item, starting);
            starting = false;
        }
        return total_;
    }

private:
    // The local folder is read before anything is sent, so a folder that
    // cannot be read never costs the server a file of its name.
    void copyFolder(const FolderItem& item, bool starting)
    {
        auto names = localNames(item.localPath);
        if (!names) {
            std::string message = "Reading local folder " + item.localPath + " Failed";
            if (starting)
                throw CFTPException(message);
            engine_.Status(message);
            return;
        }
        prepareRemoteFolder(item);
        auto remote = tryResolve(engine_, item);
        if (!remote)
            return;
        for (const std::string& name : *names)
            copyEntry(*remote, joinPath(item.localPath, name), name);
        // Listed afresh when next shown, now that it holds what was sent.
        LockedAccess<SiteContext>(engine_.site())->storeFolder(*remote, {});
    }

    // A remote file of the folder's name goes first; a folder that already
    // exists refuses MKD, which is fine.
    void prepareRemoteFolder(const FolderItem& item)
    {
        try {
            engine_.DeleteFile(item.parent, item.name);
        } catch (const CFTPException&) {
        }
        try {
            engine_.MakeFolder(item.parent, item.name);
        } catch (const CFTPException&) {
        }
    }

    void copyEntry(const std::string& remote, const std::string& path, const std::string& name)
    {
        switch (kindOf(engine_, path)) {
        case LocalKind::Folder:
            work_.push_back({remote, path, name});
            break;
        case LocalKind::File:
            if (!(onlyNewer_ && remoteIsNotOlder(remote, name, path)))
                copyFile(remote, path, name);
            break;
        case LocalKind::Skipped:
            break;
        }
    }

    // A missing entry, or a folder the server will not list, has no time
    // to compare with, and the file is sent.
    bool remoteIsNotOlder(const std::string& remote, const std::string& name, const std::string& path)
    {
        std::int64_t remoteTime = 0;
        try {
            remoteTime = engine_.GetRemoteTime(remote, name);
        } catch (const CFTPException&) {
        }
        return remoteTime != 0 && remoteTime >= localTime(path);
    }

    void copyFile(const std::string& remote, const std::string& path, const std::string& name)
    {
        try {
            total_ += engine_.Upload(remote, name, path, resume_, name);
        } catch (const CFTPException&) {
        }
    }

    FtpProtocol& engine_;
    bool resume_;
    bool onlyNewer_;
    std::deque<FolderItem> work_;
    std::uint64_t total_ = 0;
};

} // namespace

void FtpProtocol::DownloadFolder(const std::string& folder, const std::string& localPath, const std::string& name,
                                 bool resume, bool onlyNewer)
{
    std::uint64_t start = tickCount();
    std::uint64_t total = FolderDownload(*this, resume, onlyNewer).copy({folder, name, {}, localPath});
    mailbox_->sendProgress(tickCount() - start, total, 0, total, {});
}

void FtpProtocol::UploadFolder(const std::string& folder, const std::string& name, const std::string& localPath,
                               bool resume, bool onlyNewer)
{
    std::uint64_t start = tickCount();
    std::uint64_t total = FolderUpload(*this, resume, onlyNewer).run({folder, localPath, name});
    mailbox_->sendProgress(tickCount() - start, total, 0, total, {});
}

} // namespace varnix
