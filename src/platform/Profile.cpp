#include "platform/Profile.h"

#include <algorithm>
#include <atomic>
#include <cctype>

namespace varnix {

std::string lowerCased(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string MemoryProfile::key(std::string_view section, std::string_view name)
{
    std::string k(section);
    k += '/';
    k += name;
    return k;
}

std::uint32_t MemoryProfile::readInt(std::string_view section, std::string_view name, std::uint32_t fallback)
{
    std::lock_guard lock(mutex_);
    auto it = ints_.find(key(section, name));
    return it == ints_.end() ? fallback : it->second;
}

void MemoryProfile::writeInt(std::string_view section, std::string_view name, std::uint32_t value)
{
    std::lock_guard lock(mutex_);
    ints_[key(section, name)] = value;
}

std::string MemoryProfile::readString(std::string_view section, std::string_view name, std::string_view fallback)
{
    std::lock_guard lock(mutex_);
    auto it = strings_.find(key(section, name));
    return it == strings_.end() ? std::string(fallback) : it->second;
}

void MemoryProfile::writeString(std::string_view section, std::string_view name, std::string_view value)
{
    std::lock_guard lock(mutex_);
    strings_[key(section, name)] = std::string(value);
}

bool MemoryProfile::contains(std::string_view section, std::string_view name)
{
    std::lock_guard lock(mutex_);
    std::string k = key(section, name);
    return ints_.count(k) || strings_.count(k);
}

namespace {
template <class Map>
void eraseSection(Map& map, const std::string& prefix)
{
    for (auto it = map.lower_bound(prefix); it != map.end() && it->first.starts_with(prefix);)
        it = map.erase(it);
}
} // namespace

void MemoryProfile::deleteSection(std::string_view section)
{
    std::lock_guard lock(mutex_);
    std::string prefix(section);
    prefix += '/';
    eraseSection(ints_, prefix);
    eraseSection(strings_, prefix);
}

namespace {
std::atomic<Profile*> installed{nullptr};
}

Profile& appProfile()
{
    static MemoryProfile fallback;
    Profile* p = installed.load();
    return p ? *p : fallback;
}

void setAppProfile(Profile* profile)
{
    installed.store(profile);
}

} // namespace varnix
