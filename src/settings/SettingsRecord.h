#pragma once
// The sixteen connection settings, global or per site.
//
// There is one global record. Each site's record stores only what differs
// from it: an integer value of kUnset (or an empty password) reads through
// to the global record, and setting a site value equal to the global one
// unpins it, so later changes of the global value show through.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

class Profile;

enum class Setting : int {
    PasvMode,
    SendBuffer,
    RecvBuffer,
    KeepAliveIntervalBegin,
    KeepAliveIntervalEnd,
    KeepAliveDuration,
    KeepAliveDelay,
    KeepAlive,
    SendTimeout,
    RecvTimeout,
    RetryDelay,
    RetryCount,
    TransferNow,
    Encryption,
    Verify, // compare each copy with the server's hash of it, where it offers one
    SiteToSiteRoute, // see SiteToSiteRoute below
};
constexpr int kIntegerSettings = 16;

// The values of SiteToSiteRoute: how a copy between two servers travels.
// Any other value counts as Either.
enum class SiteToSiteRoute : std::uint32_t {
    Either = 0,          // server to server; through Varnix once the servers refuse each other
    ServerToServer = 1,  // server to server only
    ThroughVarnix = 2,   // always through Varnix: the source's data read here and sent on
};

// The values of Encryption. Any other value counts as ExplicitWhenOffered.
enum class EncryptionMode : std::uint32_t {
    Plain = 0,               // plain FTP, AUTH never sent
    ExplicitWhenOffered = 1, // AUTH TLS; a server that refuses it is used in plain FTP
    ExplicitRequired = 2,    // AUTH TLS; a refusal ends the connection before the password
    Implicit = 3,            // TLS from the first byte (ftps://, port 990)
};

class SettingsRecord {
public:
    static constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

    // The global record (no parent) starts at the defaults; a site record
    // starts with every value unset until it is loaded.
    SettingsRecord();
    explicit SettingsRecord(const SettingsRecord* global);

    static SettingsRecord& global();

    bool isGlobal() const { return global_ == nullptr; }
    std::uint32_t get(Setting s) const;
    void set(Setting s, std::uint32_t value);
    std::uint32_t own(Setting s) const { return values_[index(s)].load(); }
    std::string anonymousPassword() const;
    void setAnonymousPassword(std::string_view password);
    std::string ownAnonymousPassword() const;

    // prefix is empty for the global record, the site's identity otherwise.
    void load(Profile& profile, std::string_view prefix = {});
    void save(Profile& profile, std::string_view prefix = {}) const;

    // The stored name of a value ("PasvMode", ..., "AnonymousPassword").
    static std::string_view name(Setting s);
    static std::optional<Setting> byName(std::string_view name);
    static std::uint32_t defaultValue(Setting s);
    static constexpr std::string_view kAnonymousPasswordName = "AnonymousPassword";
    static constexpr std::string_view kDefaultAnonymousPassword = "rover@";
    static constexpr std::string_view kSection = "Settings";

    std::uint32_t pasvMode() const { return get(Setting::PasvMode); }
    std::uint32_t sendBuffer() const { return get(Setting::SendBuffer); }
    std::uint32_t recvBuffer() const { return get(Setting::RecvBuffer); }
    std::uint32_t keepAliveIntervalBegin() const { return get(Setting::KeepAliveIntervalBegin); }
    std::uint32_t keepAliveIntervalEnd() const { return get(Setting::KeepAliveIntervalEnd); }
    std::uint32_t keepAliveDuration() const { return get(Setting::KeepAliveDuration); }
    std::uint32_t keepAliveDelay() const { return get(Setting::KeepAliveDelay); }
    std::uint32_t keepAlive() const { return get(Setting::KeepAlive); }
    std::uint32_t sendTimeout() const { return get(Setting::SendTimeout); }
    std::uint32_t recvTimeout() const { return get(Setting::RecvTimeout); }
    std::uint32_t retryDelay() const { return get(Setting::RetryDelay); }
    std::uint32_t retryCount() const { return get(Setting::RetryCount); }
    std::uint32_t transferNow() const { return get(Setting::TransferNow); }
    std::uint32_t encryption() const { return get(Setting::Encryption); }
    SiteToSiteRoute siteToSiteRoute() const;
    std::uint32_t verify() const { return get(Setting::Verify); }
    EncryptionMode encryptionMode() const;

    void setPasvMode(std::uint32_t v) { set(Setting::PasvMode, v); }
    void setSendBuffer(std::uint32_t v) { set(Setting::SendBuffer, v); }
    void setRecvBuffer(std::uint32_t v) { set(Setting::RecvBuffer, v); }
    void setKeepAliveIntervalBegin(std::uint32_t v) { set(Setting::KeepAliveIntervalBegin, v); }
    void setKeepAliveIntervalEnd(std::uint32_t v) { set(Setting::KeepAliveIntervalEnd, v); }
    void setKeepAliveDuration(std::uint32_t v) { set(Setting::KeepAliveDuration, v); }
    void setKeepAliveDelay(std::uint32_t v) { set(Setting::KeepAliveDelay, v); }
    void setKeepAlive(std::uint32_t v) { set(Setting::KeepAlive, v); }
    void setSendTimeout(std::uint32_t v) { set(Setting::SendTimeout, v); }
    void setRecvTimeout(std::uint32_t v) { set(Setting::RecvTimeout, v); }
    void setRetryDelay(std::uint32_t v) { set(Setting::RetryDelay, v); }
    void setRetryCount(std::uint32_t v) { set(Setting::RetryCount, v); }
    void setTransferNow(std::uint32_t v) { set(Setting::TransferNow, v); }
    void setEncryption(std::uint32_t v) { set(Setting::Encryption, v); }
    void setSiteToSiteRoute(std::uint32_t v) { set(Setting::SiteToSiteRoute, v); }
    void setVerify(std::uint32_t v) { set(Setting::Verify, v); }

private:
    static int index(Setting s) { return static_cast<int>(s); }
    static std::string keyOf(std::string_view prefix, std::string_view name);

    const SettingsRecord* global_;
    // The global record is read by worker threads without a lock while the
    // UI thread writes it, hence atomics; a site record is reached only under
    // its site's lock.
    std::array<std::atomic<std::uint32_t>, kIntegerSettings> values_;
    mutable std::mutex passwordMutex_;
    std::string password_;
};

} // namespace varnix
