#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace varnix::test {

// A private folder for one test: created under $TMPDIR (or /tmp) and removed
// with everything in it on destruction. Relative names may contain '/';
// missing parent folders are created on the way.
class TempTree {
public:
    explicit TempTree(const std::string& prefix = "varnix-test");
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path path(const std::string& rel = {}) const;

    std::filesystem::path write(const std::string& rel, const std::string& bytes);
    // Content depends only on seed and offset, so a shorter file written with
    // the same seed is a prefix of a longer one (handy for resume tests).
    std::filesystem::path writeSized(const std::string& rel, std::uint64_t size,
                                     std::uint64_t seed = 1);
    std::filesystem::path mkdir(const std::string& rel);
    std::filesystem::path symlink(const std::string& rel, const std::string& target);
    void setMtime(const std::string& rel, std::time_t when);
    // A file of the given size made of holes: costs no disk, reads as zeros.
    std::filesystem::path makeSparse(const std::string& rel, std::uint64_t size);

    std::string read(const std::string& rel) const;
    bool exists(const std::string& rel) const;

    // The bytes writeSized(…, size, seed) puts into a file.
    static std::string sizedContent(std::uint64_t size, std::uint64_t seed = 1);

private:
    std::filesystem::path prepare(const std::string& rel) const;

    std::filesystem::path m_root;
};

} // namespace varnix::test
