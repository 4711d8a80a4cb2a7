#pragma once
// The profile store on QSettings: organisation "Tessik", application "Varnix"
// (on Linux ~/.config/Tessik/Varnix.conf), or an explicit INI file.

#include "platform/Profile.h"

#include <memory>

class QSettings;

namespace varnix {

class QSettingsProfile : public Profile {
public:
    // The user's store, or the file named by VARNIX_PROFILE when that is set.
    QSettingsProfile();
    // An explicit INI file, as tests and --profile use.
    explicit QSettingsProfile(const std::string& path);
    ~QSettingsProfile() override;

    std::uint32_t readInt(std::string_view section, std::string_view name, std::uint32_t fallback) override;
    void writeInt(std::string_view section, std::string_view name, std::uint32_t value) override;
    std::string readString(std::string_view section, std::string_view name, std::string_view fallback) override;
    void writeString(std::string_view section, std::string_view name, std::string_view value) override;
    void deleteSection(std::string_view section) override;
    void flush() override;

    std::string fileName() const;

private:
    std::unique_ptr<QSettings> settings_;
    std::recursive_mutex mutex_;
};

} // namespace varnix
