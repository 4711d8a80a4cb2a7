#include "browser/local/LocalFileOps.h"

#include "browser/local/LocalPaths.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace varnix {

std::string newFolderName(unsigned attempt)
{
    return attempt == 0 ? std::string("New Folder") : "New Folder (" + std::to_string(attempt + 1) + ")";
}

std::string newFolderPath(const std::string& folder, const std::function<bool(const std::string&)>& exists)
{
    constexpr unsigned kAttempts = 100000;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
        std::string candidate = joinPath(folder, newFolderName(attempt));
        if (!exists(candidate))
            return candidate;
    }
    return {};
}

int makeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

std::string nameProblem(std::string_view name)
{
    if (name.empty())
        return "A name cannot be empty.";
    if (name == "." || name == "..")
        return "\"" + std::string(name) + "\" is not a name a file can have.";
    if (name.find('/') != std::string_view::npos)
        return "A name cannot contain \"/\".";
    if (name.find('\0') != std::string_view::npos)
        return "A name cannot contain a zero character.";
    return {};
}

int renameEntry(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    // File systems that cannot refuse to replace: check first, then rename.
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (pathExists(to))
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace varnix
