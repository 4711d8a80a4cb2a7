#include "browser/remote/DragSources.h"

#include <mutex>
#include <unordered_map>

namespace varnix::drag_sources {
namespace {

struct Table {
    std::mutex lock;
    std::uint64_t last = 0;
    std::unordered_map<std::uint64_t, RemoteBrowser*> sources;
};

Table& table()
{
    static Table all;
    return all;
}

} // namespace

std::uint64_t add(RemoteBrowser* source)
{
    Table& t = table();
    std::lock_guard hold(t.lock);
    t.sources.emplace(++t.last, source);
    return t.last;
}

void remove(std::uint64_t id)
{
    Table& t = table();
    std::lock_guard hold(t.lock);
    t.sources.erase(id);
}

RemoteBrowser* find(std::uint64_t id)
{
    Table& t = table();
    std::lock_guard hold(t.lock);
    auto found = t.sources.find(id);
    return found == t.sources.end() ? nullptr : found->second;
}

} // namespace varnix::drag_sources
