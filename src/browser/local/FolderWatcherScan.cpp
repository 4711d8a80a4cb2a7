#include "browser/local/FolderWatcherScan.h"

#include "browser/local/FolderWatcherReader.h"
#include "browser/local/LocalPaths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace varnix {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool hidden(const char* name)
{
    return name[0] == '.';
}

LocalItem readItem(const std::string& folder, const char* name)
{
    LocalItem item;
    item.name = name;
    item.path = joinPath(folder, item.name);
    struct stat status {};
    if (::stat(item.path.c_str(), &status) == 0) {
        item.hasFileStatus = true;
        item.isFolder = S_ISDIR(status.st_mode);
        item.size = std::uint64_t(status.st_size);
        item.modified = std::int64_t(status.st_mtime);
    }
    return item;
}

} // namespace

FolderContents scanFolder(const std::string& folder, FolderWatcherReader& reader, const std::atomic<bool>& stop)
{
    FolderContents contents;
    contents.folder = folder;
    Dir dir(::opendir(folder.c_str()));
    if (!dir) {
        contents.error = errno;
        return contents;
    }
    while (dirent* entry = ::readdir(dir.get())) {
        if (stop.load(std::memory_order_relaxed))
            break;
        if (hidden(entry->d_name))
            continue;
        LocalItem item = readItem(folder, entry->d_name);
        reader.describe(item);
        contents.items.push_back(std::move(item));
    }
    return contents;
}

std::vector<std::string> subfolders(const std::string& folder)
{
    std::vector<std::string> found;
    Dir dir(folder.empty() ? nullptr : ::opendir(folder.c_str()));
    if (!dir)
        return found;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string path = joinPath(folder, entry->d_name);
        if (!hidden(entry->d_name) && isDirectory(path))
            found.push_back(std::move(path));
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace varnix
