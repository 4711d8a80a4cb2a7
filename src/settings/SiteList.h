#pragma once
// The Site Manager's saved sites: one flat list of entries, folders and
// sites, each pointing at its parent folder by list index.
//
// A stored or accepted list is in pre-order: every folder comes before what
// it holds, and a parent index always names an earlier folder. The list is
// kept in section "Sites" as nine numbered values per entry ("3-Host", ...)
// with no count: loading stops at the first entry without a parent value,
// and saving rewrites the whole section so a shorter list leaves nothing
// behind.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

class Profile;

struct SiteEntry {
    static constexpr int kTopLevel = -1;
    static constexpr int kDeleted = -3;  // only inside an open Site Manager

    std::string host;
    std::string port = "21";
    std::string username;
    std::string password;
    std::string directory;
    std::string comment;
    std::string label = "New Site";
    int folder = 0;
    int parent = kTopLevel;

    bool isFolder() const { return folder != 0; }
    static SiteEntry newSite();
    static SiteEntry newFolder();
    // The entry a bookmark adds: the login as typed, labelled with the
    // site's identity, to open in `directory`.
    static SiteEntry bookmark(std::string_view host, std::string_view port, std::string_view user,
                              std::string_view password, std::string_view identity, std::string_view directory);

    bool operator==(const SiteEntry&) const = default;
};

class SiteList {
public:
    static constexpr std::string_view kSection = "Sites";

    SiteList() = default;
    explicit SiteList(std::vector<SiteEntry> entries) : entries_(std::move(entries)) {}

    void load(Profile& profile);
    void save(Profile& profile) const;

    const std::vector<SiteEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const SiteEntry& operator[](std::size_t i) const { return entries_[i]; }

    // The indexes whose parent is `parent`, in list order. A walk that starts
    // at the top level and descends only through folders reaches each entry
    // at most once, whatever the stored parent values are.
    static std::vector<int> childrenOf(const std::vector<SiteEntry>& entries, int parent);

private:
    std::vector<SiteEntry> entries_;
};

} // namespace varnix
