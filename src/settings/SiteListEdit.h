#pragma once
// The Site Manager's working copy of the site list.
//
// Entries are only ever appended while the dialog is open, and a deleted
// entry stays in place with the parent kDeleted, so every index the tree
// holds stays valid until the copy is turned back into a list.

#include "settings/SiteList.h"

#include <optional>
#include <string>

namespace varnix {

// The Site Manager's edit fields, as exchanged with the selected entry.
struct SiteFields {
    bool anonymous = false;
    std::string host, port, username, password, directory, comment, label;

    // The check box shows checked exactly for a site without user name and password.
    static SiteFields of(const SiteEntry& entry);
    // With the check box checked the entry keeps no user name or password.
    void storeInto(SiteEntry& entry);
};

class SiteListEdit {
public:
    explicit SiteListEdit(const SiteList& list, std::optional<SiteEntry> added = std::nullopt);

    int size() const { return int(entries_.size()); }
    bool valid(int i) const { return i >= 0 && i < size(); }
    const SiteEntry& entry(int i) const { return entries_[std::size_t(i)]; }
    SiteEntry& entry(int i) { return entries_[std::size_t(i)]; }
    // The entries whose parent is `parent` (kTopLevel for the top), in list order.
    std::vector<int> childrenOf(int parent) const { return SiteList::childrenOf(entries_, parent); }

    // Where New Site or New Folder puts its entry when `clicked` (or nothing) was right-clicked.
    int parentForNew(std::optional<int> clicked) const;
    // Appends a new site or folder beside or inside `clicked`; returns its index.
    int add(bool folder, std::optional<int> clicked);
    void remove(int i);

    // True when `target` may receive `dragged`: a folder that is neither the
    // entry itself, nor its current parent, nor inside it.
    bool canDrop(int dragged, int target) const;
    // Moves into `target`, or to the top level when there is no valid target.
    void move(int dragged, std::optional<int> target);
    bool isInside(int i, int folder) const;

    // The accepted list: a pre-order walk from the top that renumbers the
    // parents and leaves deleted entries and their contents behind.
    SiteList rebuilt() const;

private:
    void copyLevel(int parent, int newParent, std::vector<SiteEntry>& out) const;
    std::vector<SiteEntry> entries_;
};

} // namespace varnix
