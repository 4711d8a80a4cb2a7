#include "settings/SiteListEdit.h"

namespace varnix {

SiteFields SiteFields::of(const SiteEntry& entry)
{
    SiteFields f;
    f.anonymous = !entry.isFolder() && entry.username.empty() && entry.password.empty();
    f.host = entry.host;
    f.port = entry.port;
    f.username = entry.username;
    f.password = entry.password;
    f.directory = entry.directory;
    f.comment = entry.comment;
    f.label = entry.label;
    return f;
}

void SiteFields::storeInto(SiteEntry& entry)
{
    if (anonymous) {
        username.clear();
        password.clear();
    }
    entry.host = host;
    entry.port = port;
    entry.username = username;
    entry.password = password;
    entry.directory = directory;
    entry.comment = comment;
    entry.label = label;
}

SiteListEdit::SiteListEdit(const SiteList& list, std::optional<SiteEntry> added) : entries_(list.entries())
{
    if (added)
        entries_.push_back(std::move(*added));
}

int SiteListEdit::parentForNew(std::optional<int> clicked) const
{
    if (!clicked || !valid(*clicked))
        return SiteEntry::kTopLevel;
    const SiteEntry& e = entry(*clicked);
    return e.isFolder() ? *clicked : e.parent;
}

int SiteListEdit::add(bool folder, std::optional<int> clicked)
{
    SiteEntry e = folder ? SiteEntry::newFolder() : SiteEntry::newSite();
    e.parent = parentForNew(clicked);
    entries_.push_back(std::move(e));
    return size() - 1;
}

void SiteListEdit::remove(int i)
{
    if (valid(i))
        entry(i).parent = SiteEntry::kDeleted;
}

bool SiteListEdit::isInside(int i, int folder) const
{
    // The step limit guards against parent values that loop.
    for (int steps = 0; valid(i) && steps <= size(); ++steps) {
        i = entry(i).parent;
        if (i == folder)
            return true;
    }
    return false;
}

bool SiteListEdit::canDrop(int dragged, int target) const
{
    if (!valid(dragged) || !valid(target) || !entry(target).isFolder())
        return false;
    return target != dragged && target != entry(dragged).parent && !isInside(target, dragged);
}

void SiteListEdit::move(int dragged, std::optional<int> target)
{
    if (!valid(dragged))
        return;
    entry(dragged).parent = target && canDrop(dragged, *target) ? *target : SiteEntry::kTopLevel;
}

SiteList SiteListEdit::rebuilt() const
{
    std::vector<SiteEntry> out;
    copyLevel(SiteEntry::kTopLevel, SiteEntry::kTopLevel, out);
    return SiteList(std::move(out));
}

void SiteListEdit::copyLevel(int parent, int newParent, std::vector<SiteEntry>& out) const
{
    for (int i : childrenOf(parent)) {
        SiteEntry e = entry(i);
        e.parent = newParent;
        bool folder = e.isFolder();
        out.push_back(std::move(e));
        if (folder)
            copyLevel(i, int(out.size()) - 1, out);
    }
}

} // namespace varnix
