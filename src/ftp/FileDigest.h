#pragma once
// Digests of local files, for comparing a copy with the server's hash of
// it: SHA-256, SHA-1 and MD5 through OpenSSL, CRC-32 (the zip and PNG one)
// with a table of our own. Digests are given as lower-case hex.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

// Strongest first: the order in which a server's offers are preferred.
enum class HashAlgorithm { Sha256, Sha1, Md5, Crc32 };
inline constexpr HashAlgorithm kHashAlgorithms[] = {HashAlgorithm::Sha256, HashAlgorithm::Sha1,
                                                    HashAlgorithm::Md5, HashAlgorithm::Crc32};

// "SHA-256", "SHA-1", "MD5", "CRC32": the names of the HASH command.
std::string_view hashName(HashAlgorithm algorithm);
// A name as a server writes it, without regard to case; none when unknown.
std::optional<HashAlgorithm> hashByName(std::string_view name);
// Hex digits in a digest of this algorithm.
std::size_t hashHexLength(HashAlgorithm algorithm);

// A digest fed piece by piece.
class Digest {
public:
    explicit Digest(HashAlgorithm algorithm);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    void add(const char* data, std::size_t length);
    // The digest of everything added; the object is spent afterwards.
    std::string hex();

private:
    struct State;
    std::unique_ptr<State> state_;
};

std::string textDigest(std::string_view text, HashAlgorithm algorithm);
// The digest of a whole local file; a file that cannot be read throws
// CFileException. betweenBlocks runs after each block read (a large file
// takes a while): whatever it throws ends the digest.
std::string fileDigest(const std::string& path, HashAlgorithm algorithm,
                       const std::function<void()>& betweenBlocks = {});

} // namespace varnix
