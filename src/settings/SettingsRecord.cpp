#include "settings/SettingsRecord.h"

#include "platform/Profile.h"


namespace varnix {
namespace {

struct Definition {
    std::string_view name;
    std::uint32_t defaultValue;
};

constexpr std::array<Definition, kIntegerSettings> kDefinitions{{
    {"PasvMode", 1},
    {"SendBuffer", 4096},
    {"RecvBuffer", 4096},
    {"KeepAliveIntervalBegin", 0},
    {"KeepAliveIntervalEnd", 30},
    {"KeepAliveDuration", 15},
    {"KeepAliveDelay", 30},
    {"KeepAlive", 1},
    {"SendTimeout", 60},
    {"RecvTimeout", 60},
    {"RetryDelay", 30},
    {"RetryCount", 10},
    {"TransferNow", 1},
    {"Encryption", 1},
    {"Verify", 1},
    {"SiteToSiteRoute", 0},
}};

} // namespace

SettingsRecord::SettingsRecord() : global_(nullptr), password_(kDefaultAnonymousPassword)
{
    for (int i = 0; i < kIntegerSettings; ++i)
        values_[i].store(kDefinitions[i].defaultValue);
}

SettingsRecord::SettingsRecord(const SettingsRecord* global) : global_(global)
{
    for (auto& v : values_)
        v.store(kUnset);
}

SettingsRecord& SettingsRecord::global()
{
    static SettingsRecord record;
    return record;
}

std::uint32_t SettingsRecord::get(Setting s) const
{
    std::uint32_t v = values_[index(s)].load();
    if (isGlobal() || v != kUnset)
        return v;
    return global_->get(s);
}

void SettingsRecord::set(Setting s, std::uint32_t value)
{
    if (!isGlobal() && value == global_->get(s))
        value = kUnset;
    values_[index(s)].store(value);
}

std::string SettingsRecord::ownAnonymousPassword() const
{
    std::lock_guard lock(passwordMutex_);
    return password_;
}

std::string SettingsRecord::anonymousPassword() const
{
    std::string own = ownAnonymousPassword();
    if (isGlobal() || !own.empty())
        return own;
    return global_->anonymousPassword();
}

void SettingsRecord::setAnonymousPassword(std::string_view password)
{
    std::string value(password);
    if (!isGlobal() && value == global_->anonymousPassword())
        value.clear();
    std::lock_guard lock(passwordMutex_);
    password_ = std::move(value);
}

std::string SettingsRecord::keyOf(std::string_view prefix, std::string_view name)
{
    if (prefix.empty())
        return std::string(name);
    return lowerCased(prefix) + "-" + std::string(name);
}

void SettingsRecord::load(Profile& profile, std::string_view prefix)
{
    for (int i = 0; i < kIntegerSettings; ++i) {
        std::uint32_t fallback = isGlobal() ? kDefinitions[i].defaultValue : kUnset;
        values_[i].store(profile.readInt(kSection, keyOf(prefix, kDefinitions[i].name), fallback));
    }
    std::string_view fallback = isGlobal() ? kDefaultAnonymousPassword : std::string_view{};
    std::string password = profile.readString(kSection, keyOf(prefix, kAnonymousPasswordName), fallback);
    std::lock_guard lock(passwordMutex_);
    password_ = std::move(password);
}

void SettingsRecord::save(Profile& profile, std::string_view prefix) const
{
    for (int i = 0; i < kIntegerSettings; ++i)
        profile.writeInt(kSection, keyOf(prefix, kDefinitions[i].name), values_[i].load());
    profile.writeString(kSection, keyOf(prefix, kAnonymousPasswordName), ownAnonymousPassword());
}

SiteToSiteRoute SettingsRecord::siteToSiteRoute() const
{
    std::uint32_t value = get(Setting::SiteToSiteRoute);
    return value <= std::uint32_t(SiteToSiteRoute::ThroughVarnix) ? SiteToSiteRoute(value) : SiteToSiteRoute::Either;
}

EncryptionMode SettingsRecord::encryptionMode() const
{
    std::uint32_t value = encryption();
    return value <= std::uint32_t(EncryptionMode::Implicit) ? EncryptionMode(value)
                                                             : EncryptionMode::ExplicitWhenOffered;
}

std::string_view SettingsRecord::name(Setting s)
{
    return kDefinitions[index(s)].name;
}

std::optional<Setting> SettingsRecord::byName(std::string_view name)
{
    for (int i = 0; i < kIntegerSettings; ++i)
        if (kDefinitions[i].name == name)
            return static_cast<Setting>(i);
    return std::nullopt;
}

std::uint32_t SettingsRecord::defaultValue(Setting s)
{
    return kDefinitions[index(s)].defaultValue;
}

} // namespace varnix
