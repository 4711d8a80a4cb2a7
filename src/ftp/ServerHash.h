#pragma once
// How to ask a server for the hash of a file, and how to read its answer.
//
// HASH (draft-bryan-ftpext-hash) is preferred: FEAT lists it with its
// algorithms ("HASH SHA-256*;SHA-1;MD5;CRC32", '*' marking the selected
// one), OPTS HASH selects another, and "HASH name" answers
// "213 SHA-256 0-1234 <hex> name". Older servers offer one command per
// algorithm (XSHA256, XSHA1, XMD5, XCRC) that answer "250 <hex>" or
// "213 <hex>", some with the name before or after the digest.

#include "ftp/FileDigest.h"
#include "ftp/ServerFeatures.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnix {

struct HashMethod {
    HashAlgorithm algorithm = HashAlgorithm::Sha256;
    bool hashCommand = false; // HASH; otherwise the algorithm's X command
    bool selected = false;    // HASH only: already the server's selection, no OPTS needed
};

// A set of algorithms, one bit each.
using HashSet = unsigned;
constexpr HashSet hashBit(HashAlgorithm algorithm) { return 1u << unsigned(algorithm); }
inline constexpr HashSet kEveryHash = ~0u;

// Every algorithm the server can hash with, by HASH or an X command.
HashSet offeredHashes(const ServerFeatures& features);
// The strongest of the allowed hashes the server offers, by HASH before the
// X commands; none when it offers no such algorithm.
std::optional<HashMethod> chooseHashMethod(const ServerFeatures& features, HashSet allowed = kEveryHash);

// "OPTS HASH SHA-1", "HASH name", "XSHA256 name".
std::string selectCommand(const HashMethod& method);
std::string hashCommand(const HashMethod& method, const std::string& name);

struct ServerHash {
    HashAlgorithm algorithm;
    std::string hex; // lower case; a CRC-32 padded to eight digits
};

// The digest in a 2xx hash reply: the first word that is a digest of the
// algorithm the reply names (HASH form) or of `asked`. None for anything
// else (a refusal, a reply without a digest, a digest of the wrong length).
std::optional<ServerHash> parseHashReply(std::string_view reply, HashAlgorithm asked);

} // namespace varnix
