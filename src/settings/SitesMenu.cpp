#include "settings/SitesMenu.h"

namespace varnix {
namespace {

void addLevel(const SiteList& list, int parent, std::vector<SitesMenuItem>& out)
{
    for (int i : SiteList::childrenOf(list.entries(), parent)) {
        const SiteEntry& entry = list[std::size_t(i)];
        SitesMenuItem item{entry.label, entry.isFolder(), 0, {}};
        if (item.folder)
            addLevel(list, i, item.items);
        else
            item.command = SitesMenu::commandOf(std::size_t(i));
        out.push_back(std::move(item));
    }
}

} // namespace

std::optional<std::size_t> SitesMenu::indexOf(int command, const SiteList& list)
{
    if (command > kLastCommand)
        return std::nullopt;
    std::size_t index = std::size_t(kLastCommand - command);
    if (index >= list.size() || list[index].isFolder())
        return std::nullopt;
    return index;
}

std::vector<SitesMenuItem> SitesMenu::build(const SiteList& list)
{
    std::vector<SitesMenuItem> items;
    addLevel(list, SiteEntry::kTopLevel, items);
    return items;
}

} // namespace varnix
