#include "settings/ConnectHistory.h"

#include "model/HostPort.h"
#include "platform/Profile.h"

#include <algorithm>

namespace varnix {
namespace {

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    std::string la = lowerCased(a), lb = lowerCased(b);
    return la != lb ? la < lb : a < b;
}

std::string entryName(std::size_t n, std::string_view what)
{
    return std::to_string(n) + "-" + std::string(what);
}

} // namespace

ConnectFields ConnectFields::typed(const std::string& host, const std::string& port, const std::string& user,
                                   const std::string& password)
{
    ConnectFields fields{host, port, user, password};
    // More than one colon without brackets: an IPv6 address on its own.
    const bool bareIpv6 = host.find(':') != host.rfind(':') && host.find('[') == std::string::npos;
    std::optional<HostPort> split = bareIpv6 ? std::nullopt : splitHostPort(host);
    // What does not split is kept as typed; connecting says what is wrong with it.
    if (split) {
        fields.host = split->host;
        if (split->port && !split->port->empty())
            fields.port = *split->port;
    }
    return fields;
}

void ConnectHistory::load(Profile& profile)
{
    loaded_.host = profile.readString(kSection, "Host", "");
    loaded_.port = profile.readString(kSection, "Port", "21");
    loaded_.user = profile.readString(kSection, "User", "");
    loaded_.password = profile.readString(kSection, "Pass", "");
    hosts_.clear();
    entries_.clear();
    for (std::size_t n = 0;; ++n) {
        std::string host = profile.readString(kSection, entryName(n, "Host"), "");
        Entry entry{profile.readString(kSection, entryName(n, "Port"), ""),
                    profile.readString(kSection, entryName(n, "User"), ""),
                    profile.readString(kSection, entryName(n, "Pass"), "")};
        if (host.empty() && entry.port.empty() && entry.user.empty() && entry.password.empty())
            break;
        addHost(host);
        entries_[host] = std::move(entry);
    }
}

void ConnectHistory::save(Profile& profile, const ConnectFields& fields) const
{
    profile.deleteSection(kSection);
    profile.writeString(kSection, "Host", fields.host);
    profile.writeString(kSection, "Port", fields.port);
    profile.writeString(kSection, "User", fields.user);
    profile.writeString(kSection, "Pass", fields.password);
    std::size_t n = 0;
    for (const auto& [host, entry] : entries_) {
        profile.writeString(kSection, entryName(n, "Host"), host);
        profile.writeString(kSection, entryName(n, "Port"), entry.port);
        profile.writeString(kSection, entryName(n, "User"), entry.user);
        profile.writeString(kSection, entryName(n, "Pass"), entry.password);
        ++n;
    }
}

void ConnectHistory::record(const ConnectFields& fields)
{
    addHost(fields.host);
    entries_[fields.host] = Entry{fields.port, fields.user, fields.password};
}

ConnectFields ConnectHistory::picked(const std::string& host) const
{
    ConnectFields fields{host, "", "", ""};
    if (auto it = entries_.find(host); it != entries_.end()) {
        fields.port = it->second.port;
        fields.user = it->second.user;
        fields.password = it->second.password;
    }
    return fields;
}

// A hand-edited store may name one host twice; the list still shows it once.
void ConnectHistory::addHost(const std::string& host)
{
    std::string key = lowerCased(host);
    if (std::any_of(hosts_.begin(), hosts_.end(), [&](const std::string& h) { return lowerCased(h) == key; }))
        return;
    hosts_.insert(std::upper_bound(hosts_.begin(), hosts_.end(), host, lessIgnoringCase), host);
}

} // namespace varnix
