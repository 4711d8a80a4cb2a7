#pragma once
// The profile store: integer and string values by section and name.
//
// Everything the program keeps between runs goes through this interface. The
// application installs a QSettings-backed store; the core and its tests can
// use the in-memory one.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace varnix {

// ASCII letters lower-cased: keys made from what a user typed (a host, a
// site's "user@host:port") are the same key in any case.
std::string lowerCased(std::string_view text);

class Profile {
public:
    virtual ~Profile() = default;
    virtual std::uint32_t readInt(std::string_view section, std::string_view name, std::uint32_t fallback) = 0;
    virtual void writeInt(std::string_view section, std::string_view name, std::uint32_t value) = 0;
    virtual std::string readString(std::string_view section, std::string_view name, std::string_view fallback) = 0;
    virtual void writeString(std::string_view section, std::string_view name, std::string_view value) = 0;
    // Removes the section with every value and section below it.
    virtual void deleteSection(std::string_view section) = 0;
    virtual void flush() {}
};

// A profile held in memory, for tests and for runs that must not persist.
class MemoryProfile : public Profile {
public:
    std::uint32_t readInt(std::string_view section, std::string_view name, std::uint32_t fallback) override;
    void writeInt(std::string_view section, std::string_view name, std::uint32_t value) override;
    std::string readString(std::string_view section, std::string_view name, std::string_view fallback) override;
    void writeString(std::string_view section, std::string_view name, std::string_view value) override;
    void deleteSection(std::string_view section) override;
    bool contains(std::string_view section, std::string_view name);

private:
    static std::string key(std::string_view section, std::string_view name);
    std::mutex mutex_;
    std::map<std::string, std::uint32_t, std::less<>> ints_;
    std::map<std::string, std::string, std::less<>> strings_;
};

// The application's store. Until one is installed an empty MemoryProfile serves.
Profile& appProfile();
void setAppProfile(Profile* profile);

} // namespace varnix
