#include "support/TempTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace varnix::test {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void throwErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

fs::path tempBase()
{
    const char* dir = std::getenv("TMPDIR");
    return (dir && *dir) ? fs::path(dir) : fs::path("/tmp");
}

std::uint64_t splitMix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Byte i of the pattern is byte (i % 8) of splitMix(seed, i / 8).
void fillPattern(char* out, std::uint64_t offset, std::size_t count, std::uint64_t seed)
{
    for (std::size_t n = 0; n < count; ++n) {
        const std::uint64_t at = offset + n;
        const std::uint64_t word = splitMix(seed * 0x100000001B3ull + at / 8);
        out[n] = static_cast<char>(word >> (8 * (at % 8)));
    }
}

} // namespace

TempTree::TempTree(const std::string& prefix)
{
    std::string templ = (tempBase() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(templ.data()))
        throwErrno("mkdtemp " + templ);
    m_root = fs::path(templ);
}

TempTree::~TempTree()
{
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

fs::path TempTree::path(const std::string& rel) const
{
    return rel.empty() ? m_root : m_root / rel;
}

fs::path TempTree::prepare(const std::string& rel) const
{
    const fs::path p = path(rel);
    fs::create_directories(p.parent_path());
    return p;
}

fs::path TempTree::write(const std::string& rel, const std::string& bytes)
{
    const fs::path p = prepare(rel);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + p.string());
    return p;
}

fs::path TempTree::writeSized(const std::string& rel, std::uint64_t size, std::uint64_t seed)
{
    const fs::path p = prepare(rel);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    std::vector<char> block(1 << 16);
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
        fillPattern(block.data(), done, n, seed);
        out.write(block.data(), static_cast<std::streamsize>(n));
        done += n;
    }
    if (!out.flush())
        throw std::runtime_error("cannot write " + p.string());
    return p;
}

std::string TempTree::sizedContent(std::uint64_t size, std::uint64_t seed)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    fillPattern(bytes.data(), 0, bytes.size(), seed);
    return bytes;
}

fs::path TempTree::mkdir(const std::string& rel)
{
    const fs::path p = path(rel);
    fs::create_directories(p);
    return p;
}

fs::path TempTree::symlink(const std::string& rel, const std::string& target)
{
    const fs::path p = prepare(rel);
    fs::create_symlink(target, p);
    return p;
}

void TempTree::setMtime(const std::string& rel, std::time_t when)
{
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    // Not following links: a link's own date is what a listing shows for it.
    if (::utimensat(AT_FDCWD, path(rel).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throwErrno("utimensat " + path(rel).string());
}

fs::path TempTree::makeSparse(const std::string& rel, std::uint64_t size)
{
    const fs::path p = prepare(rel);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throwErrno("open " + p.string());
    const int rc = ::ftruncate(fd, static_cast<off_t>(size));
    const int saved = errno;
    ::close(fd);
    errno = saved;
    if (rc != 0)
        throwErrno("ftruncate " + p.string());
    return p;
}

std::string TempTree::read(const std::string& rel) const
{
    std::ifstream in(path(rel), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path(rel).string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TempTree::exists(const std::string& rel) const
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path(rel), ec));
}

} // namespace varnix::test
