#include "model/RemoteFolder.h"

#include "model/FileTypeProvider.h"

#include <utility>

namespace varnix {

namespace {

FileType describeEntry(FileTypeProvider* provider, const RemoteFile& file)
{
    if (!provider)
        return {"File", file.isFolder() ? 1 : 0};
    FileType type = provider->describe(file.name(), file.isFolder(), file.isLink());
    if (type.typeText.empty())
        type.typeText = "File";
    return type;
}

}  // namespace

RemoteFile& RemoteFolder::append(RemoteFile file)
{
    RemoteFile& added = entries_.emplace_back(std::move(file));
    firstByName_.try_emplace(added.name(), static_cast<std::uint32_t>(entries_.size() - 1));
    return added;
}

void RemoteFolder::buildIcons()
{
    FileTypeProvider* provider = fileTypeProvider();
    for (RemoteFile& file : entries_) {
        FileType type = describeEntry(provider, file);
        file.setType(std::move(type.typeText), type.iconIndex);
    }
}

const RemoteFile* RemoteFolder::find(std::string_view name) const
{
    auto found = firstByName_.find(name);
    return found == firstByName_.end() ? nullptr : &entries_[found->second];
}

RemoteFile* RemoteFolder::find(std::string_view name)
{
    return const_cast<RemoteFile*>(std::as_const(*this).find(name));
}

void RemoteFolder::setResolvedPath(std::string_view name, std::string path)
{
    std::lock_guard guard(lock_);
    resolvedPaths_.insert_or_assign(std::string(name), std::move(path));
}

std::string RemoteFolder::resolvedPath(std::string_view name) const
{
    std::lock_guard guard(lock_);
    auto found = resolvedPaths_.find(name);
    return found == resolvedPaths_.end() ? std::string() : found->second;
}

}  // namespace varnix
