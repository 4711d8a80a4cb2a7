#include "settings/SiteList.h"

#include "platform/Profile.h"

namespace varnix {
namespace {

// A parent value that is missing ends the list.
constexpr std::uint32_t kEndMarker = 0xFFFFFFFEu;  // -2

std::string nameOf(std::size_t n, std::string_view field)
{
    return std::to_string(n) + "-" + std::string(field);
}

} // namespace

SiteEntry SiteEntry::newSite()
{
    return SiteEntry{};
}

SiteEntry SiteEntry::newFolder()
{
    SiteEntry entry;
    entry.label = "New Folder";
    entry.folder = 1;
    return entry;
}

SiteEntry SiteEntry::bookmark(std::string_view host, std::string_view port, std::string_view user,
                              std::string_view password, std::string_view identity, std::string_view directory)
{
    SiteEntry entry;
    entry.host = host;
    entry.port = port;
    entry.username = user;
    entry.password = password;
    entry.directory = directory;
    entry.label = identity;
    return entry;
}

void SiteList::load(Profile& profile)
{
    entries_.clear();
    for (std::size_t n = 0;; ++n) {
        SiteEntry e;
        e.host = profile.readString(kSection, nameOf(n, "Host"), "");
        e.port = profile.readString(kSection, nameOf(n, "Port"), "");
        e.username = profile.readString(kSection, nameOf(n, "Username"), "");
        e.password = profile.readString(kSection, nameOf(n, "Password"), "");
        e.directory = profile.readString(kSection, nameOf(n, "Directory"), "");
        e.comment = profile.readString(kSection, nameOf(n, "Comment"), "");
        e.label = profile.readString(kSection, nameOf(n, "Label"), "");
        e.folder = int(profile.readInt(kSection, nameOf(n, "Folder"), 0));
        std::uint32_t parent = profile.readInt(kSection, nameOf(n, "Parent"), kEndMarker);
        if (parent == kEndMarker)
            break;
        e.parent = int(parent);
        entries_.push_back(std::move(e));
    }
}

void SiteList::save(Profile& profile) const
{
    profile.deleteSection(kSection);
    for (std::size_t n = 0; n < entries_.size(); ++n) {
        const SiteEntry& e = entries_[n];
        profile.writeString(kSection, nameOf(n, "Host"), e.host);
        profile.writeString(kSection, nameOf(n, "Port"), e.port);
        profile.writeString(kSection, nameOf(n, "Username"), e.username);
        profile.writeString(kSection, nameOf(n, "Password"), e.password);
        profile.writeString(kSection, nameOf(n, "Directory"), e.directory);
        profile.writeString(kSection, nameOf(n, "Comment"), e.comment);
        profile.writeString(kSection, nameOf(n, "Label"), e.label);
        profile.writeInt(kSection, nameOf(n, "Folder"), std::uint32_t(e.folder));
        profile.writeInt(kSection, nameOf(n, "Parent"), std::uint32_t(e.parent));
    }
}

std::vector<int> SiteList::childrenOf(const std::vector<SiteEntry>& entries, int parent)
{
    std::vector<int> children;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].parent == parent && int(i) != parent)
            children.push_back(int(i));
    return children;
}

} // namespace varnix
