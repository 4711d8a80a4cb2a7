#include "ftp/LocalFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace varnix {

static_assert(sizeof(off_t) >= 8, "transfers need 64-bit file offsets");

CFileException::CFileException(const std::string& action, std::string path, int error)
    : error(error), path(std::move(path))
{
    message = "Cannot " + action + " " + this->path + ": " + std::strerror(error);
}

bool CFileException::worthRetrying() const
{
    switch (error) {
    case ENOENT:
    case EACCES:
    case EPERM:
    case ENOTDIR:
    case EISDIR:
    case ENAMETOOLONG:
    case EROFS:
        return false;
    default:
        return true;
    }
}

static int openFlags(LocalFile::Access access)
{
    // Descriptors are not inherited by anything the program starts.
    if (access == LocalFile::Access::Read)
        return O_RDONLY | O_CLOEXEC;
    return O_WRONLY | O_CREAT | O_CLOEXEC;
}

LocalFile::LocalFile(std::string path, Access access) : path_(std::move(path))
{
    do
        fd_ = ::open(path_.c_str(), openFlags(access), 0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        fail("open", errno);
    struct stat info {};
    // A folder opens for reading on POSIX; refuse it before anything is sent.
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(std::exchange(fd_, -1));
        fail("open", EISDIR);
    }
}

LocalFile::~LocalFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::uint64_t LocalFile::size() const
{
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        fail("read", errno);
    return static_cast<std::uint64_t>(info.st_size);
}

std::uint64_t LocalFile::position() const
{
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0)
        fail("read", errno);
    return static_cast<std::uint64_t>(at);
}

void LocalFile::seek(std::uint64_t offset)
{
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
        fail("seek in", errno);
}

void LocalFile::seekToEnd()
{
    if (::lseek(fd_, 0, SEEK_END) < 0)
        fail("seek in", errno);
}

void LocalFile::truncate()
{
    // An empty file is left alone: some file systems take a truncation to
    // zero as a file being replaced and write it all out when it is closed,
    // which would make every fresh download wait for the disk at its end.
    if ((size() != 0 && ::ftruncate(fd_, 0) != 0) || ::lseek(fd_, 0, SEEK_SET) < 0)
        fail("write", errno);
}

std::size_t LocalFile::read(char* buffer, std::size_t size)
{
    for (;;) {
        ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            fail("read", errno);
    }
}

void LocalFile::write(const char* data, std::size_t length)
{
    while (length > 0) {
        ssize_t put = ::write(fd_, data, length);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            fail("write", put < 0 ? errno : ENOSPC);
        data += put;
        length -= static_cast<std::size_t>(put);
    }
}

std::optional<std::size_t> LocalFile::readIntoPipe(int pipeWriteEnd, std::size_t length)
{
    for (;;) {
        ssize_t got = ::splice(fd_, nullptr, pipeWriteEnd, nullptr, length, SPLICE_F_MOVE);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno == EINVAL || errno == ENOSYS)
            return std::nullopt;
        if (errno != EINTR)
            fail("read", errno);
    }
}

bool LocalFile::writeFromPipe(int pipeReadEnd, std::size_t length)
{
    bool movedAny = false;
    while (length > 0) {
        ssize_t put = ::splice(pipeReadEnd, nullptr, fd_, nullptr, length, SPLICE_F_MOVE);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && !movedAny && (errno == EINVAL || errno == ENOSYS))
            return false;
        if (put <= 0)
            fail("write", put < 0 ? errno : ENOSPC);
        movedAny = true;
        length -= static_cast<std::size_t>(put);
    }
    return true;
}

bool LocalFile::setModifiedTime(std::int64_t seconds) noexcept
{
    struct timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    return ::futimens(fd_, times) == 0;
}

void LocalFile::close()
{
    if (fd_ < 0)
        return;
    // Delayed write errors (full disk, network file systems) surface here.
    if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR)
        fail("write", errno);
}

void LocalFile::fail(const char* action, int error) const
{
    throw CFileException(action, path_, error);
}

} // namespace varnix
