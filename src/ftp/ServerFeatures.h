#pragma once
// What a server says it offers in its FEAT reply (RFC 2389): one feature per
// line, a name and perhaps parameters ("MLST type*;size*;modify*;",
// "HASH SHA-256*;SHA-1;MD5"). A server that refuses FEAT offers nothing, and
// the engine then speaks as to any older server.

#include <map>
#include <string>
#include <string_view>

namespace varnix {

class ServerFeatures {
public:
    // The features of a whole FEAT reply (its lines as read, CR LF and all).
    // Lines that are not features (the first and last, blank ones) are skipped.
    static ServerFeatures parse(std::string_view reply);

    // Names are compared without regard to case.
    bool offers(std::string_view name) const;
    // The text after the name, as sent; empty when there is none.
    std::string parameters(std::string_view name) const;
    bool empty() const { return features_.empty(); }

private:
    std::map<std::string, std::string> features_; // upper-case name -> parameters
};

} // namespace varnix
