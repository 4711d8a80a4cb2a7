#pragma once
// Sites the user allowed for good to log in without encryption when their
// server does not offer TLS: the profile's section "PlainFtp", one entry
// (1) per lower-cased "user@host:port", like the stored certificates.

#include <string_view>

namespace varnix {

class Profile;

class PlainFtpStore {
public:
    explicit PlainFtpStore(Profile& profile) : profile_(profile) {}

    bool allowed(std::string_view identity) const;
    void allow(std::string_view identity);

    static constexpr std::string_view kSection = "PlainFtp";

private:
    Profile& profile_;
};

} // namespace varnix
