#include "cli/LocalPaths.h"

#include "ftp/LocalFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnix::cli {
namespace {

std::string failure(const char* action, const std::string& path, int error)
{
    return std::string("Cannot ") + action + " " + path + ": " + std::strerror(error);
}

// The folder a new entry at path would go into.
std::string parentOf(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

// 0 when a new entry can be made in folder, else why not.
int cannotMakeIn(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

} // namespace

std::string unreadableFile(const std::string& path)
{
    try {
        LocalFile file(path, LocalFile::Access::Read);
    } catch (const CFileException& failed) {
        return failed.GetErrorMessage();
    }
    return {};
}

std::string unreadableFolder(const std::string& path)
{
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return failure("read folder", path, errno);
    ::closedir(folder);
    return {};
}

std::string unwritableFile(const std::string& path)
{
    struct stat info {};
    int error = 0;
    if (::stat(path.c_str(), &info) == 0)
        error = S_ISDIR(info.st_mode) ? EISDIR : (::access(path.c_str(), W_OK) == 0 ? 0 : errno);
    else if (errno == ENOENT)
        error = cannotMakeIn(parentOf(path));
    else
        error = errno;
    return error ? failure("write", path, error) : std::string();
}

// A file in the folder's place is replaced by the folder, as the download
// does it; only its parent has to take that.
std::string unwritableFolder(const std::string& path)
{
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    int error = 0;
    if (exists && S_ISDIR(info.st_mode))
        error = ::access(path.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
    else if (exists || errno == ENOENT)
        error = cannotMakeIn(parentOf(path));
    else
        error = errno;
    return error ? failure("create folder", path, error) : std::string();
}

} // namespace varnix::cli
