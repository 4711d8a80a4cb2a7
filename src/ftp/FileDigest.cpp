#include "ftp/FileDigest.h"

#include "ftp/LocalFile.h"

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace varnix {
namespace {

struct AlgorithmInfo {
    HashAlgorithm algorithm;
    std::string_view name;
    std::size_t hexLength;
};

constexpr AlgorithmInfo kInfo[] = {
    {HashAlgorithm::Sha256, "SHA-256", 64},
    {HashAlgorithm::Sha1, "SHA-1", 40},
    {HashAlgorithm::Md5, "MD5", 32},
    {HashAlgorithm::Crc32, "CRC32", 8},
};

const AlgorithmInfo& infoOf(HashAlgorithm algorithm)
{
    return kInfo[static_cast<int>(algorithm)];
}

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

const EVP_MD* evpOf(HashAlgorithm algorithm)
{
    switch (algorithm) {
    case HashAlgorithm::Sha256:
        return EVP_sha256();
    case HashAlgorithm::Sha1:
        return EVP_sha1();
    case HashAlgorithm::Md5:
        return EVP_md5();
    case HashAlgorithm::Crc32:
        break;
    }
    return nullptr;
}

// The reflected polynomial 0xEDB88320 of zip, PNG and the XCRC command.
constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::string hexOf(const unsigned char* bytes, std::size_t length)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 15]);
    }
    return hex;
}

constexpr std::size_t kReadBlock = 256 * 1024;

} // namespace

std::string_view hashName(HashAlgorithm algorithm)
{
    return infoOf(algorithm).name;
}

std::optional<HashAlgorithm> hashByName(std::string_view name)
{
    for (const AlgorithmInfo& info : kInfo)
        if (sameLetters(name, info.name))
            return info.algorithm;
    return std::nullopt;
}

std::size_t hashHexLength(HashAlgorithm algorithm)
{
    return infoOf(algorithm).hexLength;
}

struct Digest::State {
    HashAlgorithm algorithm;
    EVP_MD_CTX* context = nullptr;
    std::uint32_t crc = 0xFFFFFFFFu;

    ~State() { EVP_MD_CTX_free(context); }
};

Digest::Digest(HashAlgorithm algorithm) : state_(std::make_unique<State>())
{
    state_->algorithm = algorithm;
    if (const EVP_MD* md = evpOf(algorithm)) {
        state_->context = EVP_MD_CTX_new();
        if (!state_->context || EVP_DigestInit_ex(state_->context, md, nullptr) != 1)
            throw std::runtime_error("OpenSSL has no " + std::string(hashName(algorithm)));
    }
}

Digest::~Digest() = default;

void Digest::add(const char* data, std::size_t length)
{
    if (state_->context) {
        EVP_DigestUpdate(state_->context, data, length);
        return;
    }
    std::uint32_t c = state_->crc;
    for (std::size_t i = 0; i < length; ++i)
        c = kCrcTable[(c ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (c >> 8);
    state_->crc = c;
}

std::string Digest::hex()
{
    if (state_->context) {
        unsigned char bytes[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(state_->context, bytes, &length);
        return hexOf(bytes, length);
    }
    const std::uint32_t c = ~state_->crc;
    const unsigned char bytes[4] = {static_cast<unsigned char>(c >> 24), static_cast<unsigned char>(c >> 16),
                                    static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)};
    return hexOf(bytes, 4);
}

std::string textDigest(std::string_view text, HashAlgorithm algorithm)
{
    Digest digest(algorithm);
    digest.add(text.data(), text.size());
    return digest.hex();
}

std::string fileDigest(const std::string& path, HashAlgorithm algorithm,
                       const std::function<void()>& betweenBlocks)
{
    LocalFile file(path, LocalFile::Access::Read);
    Digest digest(algorithm);
    std::vector<char> block(kReadBlock);
    for (std::size_t got; (got = file.read(block.data(), block.size())) != 0;) {
        digest.add(block.data(), got);
        if (betweenBlocks)
            betweenBlocks();
    }
    return digest.hex();
}

} // namespace varnix
