#pragma once

#include "model/RemoteFile.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnix {

// One listed remote folder: its entries in listing order, and the absolute
// paths the server reported on changing into its links and "..".
// The listing reader fills it (append, setFolder on entries, buildIcons)
// before publishing it; afterwards entries are read without a lock from any
// thread and stay at their addresses for the folder's life. Only the
// resolved-path map changes after publication, under the folder's own lock.
class RemoteFolder {
public:
    using const_iterator = std::deque<RemoteFile>::const_iterator;
    using iterator = std::deque<RemoteFile>::iterator;

    RemoteFolder() = default;
    virtual ~RemoteFolder() = default;
    RemoteFolder(const RemoteFolder&) = delete;
    RemoteFolder& operator=(const RemoteFolder&) = delete;

    // Listing reader only, before publication.
    RemoteFile& append(RemoteFile file);
    // Gives every entry its type text and icon index from the process-wide
    // FileTypeProvider (or "File", icon 0, folders icon 1, without one).
    void buildIcons();

    std::size_t count() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const RemoteFile& entry(std::size_t index) const { return entries_[index]; }
    RemoteFile& entry(std::size_t index) { return entries_[index]; }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }

    // The first entry named exactly `name` (byte for byte), or nullptr.
    const RemoteFile* find(std::string_view name) const;
    RemoteFile* find(std::string_view name);

    // True when the entries' times are exact to the second and in UTC (a
    // machine listing); a LIST line gives the minute or only the day.
    bool exactTimes() const { return exactTimes_; }
    // Listing reader only, before publication.
    void setExactTimes(bool exact) { exactTimes_ = exact; }

    // `name` is an entry name or ".."; unknown names give an empty path.
    void setResolvedPath(std::string_view name, std::string path);
    std::string resolvedPath(std::string_view name) const;

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };

    std::deque<RemoteFile> entries_;
    bool exactTimes_ = false;
    // Names point into entries_, which never moves an element. Keeps find
    // cheap for views that look up every selected row of a large folder.
    std::unordered_map<std::string_view, std::uint32_t> firstByName_;
    mutable std::mutex lock_;
    std::unordered_map<std::string, std::string, NameHash, std::equal_to<>> resolvedPaths_;
};

}  // namespace varnix
