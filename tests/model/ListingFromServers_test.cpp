#include "model/RemoteFile.h"

#include "ScopedTimeZone.h"
#include "support/FtpServer.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <string_view>
#include <vector>

using varnix::ListingLineRejected;
using varnix::RemoteFile;
using namespace varnix::test;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

const std::string kUtf8Name = "Gr\xc3\xbc\xc3\x9f" "e.txt";
const std::string kLatin1Name = "caf\xe9.txt";

// Both servers print times in UTC and switch from the time of day to the
// year for entries about six months old; the tree keeps well clear of that
// boundary so that either form is certain.
struct Times {
    std::time_t now = std::time(nullptr);
    std::time_t old = utcSeconds(2019, 3, 1, 13, 45);
    std::time_t older = utcSeconds(1999, 12, 31, 23, 59);
    std::time_t recent = recentMinute();

    // A few minutes ago, whole minutes, but never in last year: a listing
    // line with a time of day is read as this year's.
    std::time_t recentMinute() const
    {
        std::tm tm{};
        gmtime_r(&now, &tm);
        std::time_t yearStart = utcSeconds(tm.tm_year + 1900, 1, 1);
        std::time_t t = std::max(now - 180, yearStart);
        return t - t % 60;
    }
};

// What the server must show: the time of day to the minute for recent
// entries, the date alone for older ones.
std::int64_t shownTime(std::time_t mtime, std::time_t now)
{
    constexpr std::time_t day = 24 * 60 * 60;
    // A file written in this second may stamp a moment past the test's clock.
    if (mtime - now < 60 && now - mtime < 30 * day)
        return mtime - mtime % 60;
    EXPECT_GT(now - mtime, 365 * day) << "test tree entry too close to six months";
    return mtime - mtime % day;
}

class ListingFromServers : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override { buildTree(); }

    void buildTree()
    {
        file("empty.txt", 0, times.recent);
        file("big.bin", 3 * kMiB + 17, times.old);
        tree.makeSparse("huge.iso", 5 * kGiB + 123);
        tree.setMtime("huge.iso", times.older);
        file("  leading spaces.txt", 10, times.recent);
        file("trailing space ", 11, times.old);
        file("a -> b.txt", 12, times.old);
        file(".hidden", 13, times.recent);
        file("tab\tinside", 14, times.old);
        file(kUtf8Name, 15, times.recent);
        if (GetParam() == ServerKind::Vsftpd)
            file(kLatin1Name, 16, times.old);  // pyftpdlib cannot send undecodable names
        file("script.sh", 100, times.old);
        ::chmod(tree.path("script.sh").c_str(), 0750);
        tree.mkdir("docs/inner");
        tree.write("docs/readme", "r");
        tree.mkdir("empty folder");
        tree.symlink("to-docs", "docs");
        tree.symlink("to-big", "big.bin");
        tree.setMtime("docs", times.old);
        tree.setMtime("empty folder", times.recent);
    }

    void file(const std::string& name, std::uint64_t size, std::time_t mtime)
    {
        tree.writeSized(name, size);
        tree.setMtime(name, mtime);
    }

    std::string listing(const FtpServer& server)
    {
        if (GetParam() == ServerKind::Pyftpdlib)
            return fetchListing(server, server.remotePath(), "tester", "secret");
        return fetchListing(server, server.remotePath());
    }

    // The names the tree holds at its top, as the servers should list them.
    std::vector<std::string> topNames() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(tree.root()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    ScopedTimeZone zone{"UTC"};
    Times times;
    TempTree tree;
};

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

bool isNameOf(const std::string& field, unsigned id, bool user)
{
    if (field == std::to_string(id))
        return true;
    if (user) {
        const passwd* pw = ::getpwuid(id);
        return pw && field == pw->pw_name;
    }
    const group* gr = ::getgrgid(id);
    return gr && field == gr->gr_name;
}

// Lines a listing may hold besides entries: the block-count summary and
// the dot entries, which the parser drops on purpose.
bool isDroppable(const std::string& line)
{
    std::string_view text(line);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text.empty() || text.starts_with("total ") || text.ends_with(" .") ||
           text.ends_with(" ..");
}

std::map<std::string, RemoteFile> parseAll(const std::string& listing)
{
    std::map<std::string, RemoteFile> entries;
    for (const std::string& line : splitLines(listing)) {
        try {
            RemoteFile f = RemoteFile::parse(line);
            EXPECT_TRUE(entries.emplace(f.name(), f).second) << "listed twice: " << line;
        } catch (const ListingLineRejected& rejected) {
            EXPECT_TRUE(isDroppable(line)) << rejected.reason << ": " << line;
        }
    }
    return entries;
}

void expectMatchesDisk(const RemoteFile& f, const std::filesystem::path& path, std::time_t now)
{
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(f.isFolder(), S_ISDIR(st.st_mode));
    EXPECT_EQ(f.isLink(), S_ISLNK(st.st_mode));
    EXPECT_EQ(f.permissions(), st.st_mode & 0777u);
    EXPECT_EQ(f.size(), static_cast<std::uint64_t>(st.st_size));
    EXPECT_EQ(f.linkCount(), st.st_nlink);
    EXPECT_TRUE(isNameOf(f.owner(), st.st_uid, true)) << f.owner();
    EXPECT_TRUE(isNameOf(f.group(), st.st_gid, false)) << f.group();
    EXPECT_EQ(f.modified(), shownTime(st.st_mtime, now));
    std::string target = S_ISLNK(st.st_mode) ? std::filesystem::read_symlink(path).string() : "";
    EXPECT_EQ(f.linkTarget(), target);
}

TEST_P(ListingFromServers, EveryEntryReadsAsTheTreeHoldsIt)
{
    FtpServer server(GetParam(), tree.root());
    std::map<std::string, RemoteFile> entries = parseAll(listing(server));

    std::vector<std::string> expected = topNames();
    if (GetParam() == ServerKind::Vsftpd)  // it takes -A for a file name, not an option
        std::erase_if(expected, [](const std::string& n) { return n.starts_with('.'); });
    std::vector<std::string> listed;
    for (const auto& [name, f] : entries)
        listed.push_back(name);
    EXPECT_EQ(listed, expected);

    for (const auto& [name, f] : entries) {
        SCOPED_TRACE(name);
        expectMatchesDisk(f, tree.path(name), times.now);
    }
}

TEST_P(ListingFromServers, OddNamesAndLargeSizesSurvive)
{
    FtpServer server(GetParam(), tree.root());
    std::map<std::string, RemoteFile> entries = parseAll(listing(server));
    for (const char* name : {"  leading spaces.txt", "trailing space ", "a -> b.txt", "tab\tinside"})
        EXPECT_TRUE(entries.count(name)) << name;
    EXPECT_TRUE(entries.count(kUtf8Name));
    if (GetParam() == ServerKind::Vsftpd) {
        EXPECT_TRUE(entries.count(kLatin1Name));
    }
    ASSERT_TRUE(entries.count("huge.iso"));
    EXPECT_EQ(entries.at("huge.iso").size(), 5 * kGiB + 123);
    EXPECT_EQ(entries.at("huge.iso").dateText(), "12/31/1999");
    ASSERT_TRUE(entries.count("to-docs"));
    EXPECT_EQ(entries.at("to-docs").linkTarget(), "docs");
    EXPECT_FALSE(entries.at("to-docs").isFolder());  // until the reader changes into it
}

INSTANTIATE_TEST_SUITE_P(Kinds, ListingFromServers,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const auto& info) { return kindName(info.param); });

}  // namespace
