#include "browser/local/CopyJob.h"

#include "browser/local/LocalFileOps.h"
#include "browser/local/LocalPaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace varnix {
namespace {

constexpr std::size_t kChunk = 1 << 20;

struct FileCloser {
    int fd;
    ~FileCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::vector<std::string> namesIn(const std::string& folder, int& error)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    error = dir ? 0 : errno;
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    return names;
}

// A hidden name beside the target that nothing else uses.
std::string temporaryBeside(const std::string& target, int& fd)
{
    std::string pattern = joinPath(parentPath(target), "." + lastComponent(target) + ".varnix-XXXXXX");
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    return fd < 0 ? std::string() : pattern;
}

// Into place: over what is there when replacing, else never over anything.
int moveIntoPlace(const std::string& from, const std::string& to, bool replace)
{
    if (!replace)
        return renameEntry(from, to);
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

CopyJob::CopyJob(CopyPlan plan) : plan_(std::move(plan)) {}

CopyJob::~CopyJob()
{
    cancel();
    if (thread_.joinable())
        thread_.join();
}

void CopyJob::start()
{
    thread_ = std::thread([this] { run(); });
}

std::string CopyJob::current() const
{
    std::lock_guard hold(lock_);
    return current_;
}

std::vector<std::string> CopyJob::failures() const
{
    std::lock_guard hold(lock_);
    std::vector<std::string> all = plan_.refused;
    all.insert(all.end(), failures_.begin(), failures_.end());
    return all;
}

void CopyJob::run()
{
    std::uint64_t total = 0;
    for (const CopyItem& item : plan_.items)
        total += bytesIn(item.source);
    total_ = total;
    for (const CopyItem& item : plan_.items) {
        if (cancelled_)
            break;
        copyEntry(item.source, item.target, item.replace);
    }
    finished_ = true;
}

std::uint64_t CopyJob::bytesIn(const std::string& path) const
{
    struct stat status {};
    if (cancelled_ || ::lstat(path.c_str(), &status) != 0)
        return 0;
    if (S_ISREG(status.st_mode))
        return std::uint64_t(status.st_size);
    if (!S_ISDIR(status.st_mode))
        return 0;
    int error = 0;
    std::uint64_t sum = 0;
    for (const std::string& name : namesIn(path, error))
        sum += bytesIn(joinPath(path, name));
    return sum;
}

void CopyJob::copyEntry(const std::string& source, const std::string& target, bool replace)
{
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0)
        return fail(source, errno);
    setCurrent(target);
    if (S_ISDIR(status.st_mode))
        copyFolder(source, target, status.st_mode & 07777, replace);
    else if (S_ISREG(status.st_mode))
        copyFile(source, target, replace);
    else if (S_ISLNK(status.st_mode))
        copyLink(source, target, replace);
    else
        fail(source, ENOTSUP);
}

// A folder that is there already takes the copy in (a merge) when it may
// be replaced; what is inside then replaces what has the same name.
void CopyJob::copyFolder(const std::string& source, const std::string& target, unsigned mode, bool replace)
{
    bool made = ::mkdir(target.c_str(), 0700) == 0;
    if (!made) {
        const int error = errno;
        struct stat there {};
        bool merge = error == EEXIST && replace && ::lstat(target.c_str(), &there) == 0 && S_ISDIR(there.st_mode);
        if (!merge)
            return fail(target, error);
    }
    int error = 0;
    for (const std::string& name : namesIn(source, error)) {
        if (cancelled_)
            break;
        copyEntry(joinPath(source, name), joinPath(target, name), true);
    }
    if (error != 0)
        fail(source, error);
    if (made)
        ::chmod(target.c_str(), mode);
}

void CopyJob::copyFile(const std::string& source, const std::string& target, bool replace)
{
    FileCloser from{::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW)};
    if (from.fd < 0)
        return fail(source, errno);
    struct stat status {};
    if (::fstat(from.fd, &status) != 0)
        return fail(source, errno);
    int fd = -1;
    const std::string temporary = temporaryBeside(target, fd);
    if (temporary.empty())
        return fail(target, errno);
    FileCloser to{fd};
    bool whole = writeAll(from.fd, to.fd);
    int error = whole ? 0 : errno;
    if (whole) {
        const timespec times[2] = {status.st_atim, status.st_mtim};
        ::fchmod(to.fd, status.st_mode & 07777);
        ::futimens(to.fd, times);
        error = ::close(std::exchange(to.fd, -1)) == 0 ? moveIntoPlace(temporary, target, replace) : errno;
    }
    if (!whole || error != 0)
        ::unlink(temporary.c_str());
    if (error != 0 && !cancelled_)
        fail(target, error);
}

// False with errno set on a failure, or when cancelled.
bool CopyJob::writeAll(int from, int to)
{
    std::vector<char> buffer(kChunk);
    for (;;) {
        if (cancelled_) {
            errno = ECANCELED;
            return false;
        }
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t put = 0; put < got;) {
            ssize_t wrote = ::write(to, buffer.data() + put, std::size_t(got - put));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote < 0)
                return false;
            put += wrote;
            copied_ += std::uint64_t(wrote);
        }
    }
}

void CopyJob::copyLink(const std::string& source, const std::string& target, bool replace)
{
    std::vector<char> buffer(PATH_MAX + 1);
    ssize_t length = ::readlink(source.c_str(), buffer.data(), buffer.size() - 1);
    if (length < 0)
        return fail(source, errno);
    const std::string pointsTo(buffer.data(), std::size_t(length));
    if (!replace) {
        if (::symlink(pointsTo.c_str(), target.c_str()) != 0)
            fail(target, errno);
        return;
    }
    int fd = -1;
    const std::string temporary = temporaryBeside(target, fd);
    if (temporary.empty())
        return fail(target, errno);
    ::close(fd);
    ::unlink(temporary.c_str());
    int error = ::symlink(pointsTo.c_str(), temporary.c_str()) == 0 ? moveIntoPlace(temporary, target, true) : errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        fail(target, error);
    }
}

void CopyJob::fail(const std::string& path, int error)
{
    std::lock_guard hold(lock_);
    failures_.push_back(path + ": " + std::strerror(error));
}

void CopyJob::setCurrent(const std::string& path)
{
    std::lock_guard hold(lock_);
    current_ = path;
}

} // namespace varnix
