#pragma once
// The quick-connect bar's four fields and what it remembers per host.
//
// Every host ever connected to keeps the port, user name and password last
// used with it; picking it again fills the other three fields. The whole
// section is deleted and rewritten on every save, so entries never linger
// under stale numbers.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

class Profile;

struct ConnectFields {
    std::string host;
    std::string port = "21";
    std::string user;
    std::string password;

    // The connect commands need both a host and a port.
    bool isIncomplete() const { return host.empty() || port.empty(); }

    // The fields as typed into the bar. The host box may carry a port of
    // its own ("example.org:2121", "[::1]:2121"), which wins over the port
    // field; an IPv6 address loses its brackets ("[::1]" or plain "::1").
    static ConnectFields typed(const std::string& host, const std::string& port, const std::string& user,
                               const std::string& password);
};

class ConnectHistory {
public:
    static constexpr std::string_view kSection = "ConnectBar";

    // The fields as saved last (port "21" when none was) and the history.
    void load(Profile& profile);
    // Deletes the section, then writes the fields and every host's entry.
    void save(Profile& profile, const ConnectFields& fields) const;

    // A connection was opened with these fields: the host joins the list
    // unless it is there in any letter case, and its entry takes the values.
    void record(const ConnectFields& fields);
    // The fields a picked host fills in: empty ones for a host never used.
    ConnectFields picked(const std::string& host) const;

    // The hosts for the drop-down list, sorted without regard to case.
    const std::vector<std::string>& hosts() const { return hosts_; }
    const ConnectFields& loadedFields() const { return loaded_; }

private:
    struct Entry {
        std::string port;
        std::string user;
        std::string password;
    };

    void addHost(const std::string& host);

    ConnectFields loaded_;
    std::vector<std::string> hosts_;
    std::map<std::string, Entry> entries_;
};

} // namespace varnix
