#include "settings/ConnectHistory.h"

#include "platform/Profile.h"
#include "platform/qt/QSettingsProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace varnix {
namespace {

using Hosts = std::vector<std::string>;

TEST(ConnectHistory, EmptyStoreGivesPort21AndNoHosts)
{
    MemoryProfile profile;
    ConnectHistory history;
    history.load(profile);
    EXPECT_EQ(history.loadedFields().host, "");
    EXPECT_EQ(history.loadedFields().port, "21");
    EXPECT_TRUE(history.loadedFields().isIncomplete());
    EXPECT_TRUE(history.hosts().empty());
}

TEST(ConnectHistory, IncompleteWithoutHostOrPort)
{
    EXPECT_TRUE((ConnectFields{"", "21", "", ""}.isIncomplete()));
    EXPECT_TRUE((ConnectFields{"ftp.example", "", "", ""}.isIncomplete()));
    EXPECT_FALSE((ConnectFields{"ftp.example", "21", "", ""}.isIncomplete()));
}

TEST(ConnectHistory, TypedHostMayCarryAPortAndBrackets)
{
    // host box, port box -> host, port
    const char* const cases[][4] = {
        {"example.org", "21", "example.org", "21"},
        {"example.org:2121", "21", "example.org", "2121"},
        {"::1", "2121", "::1", "2121"},
        {"[::1]", "2121", "::1", "2121"},
        {"[::1]:990", "21", "::1", "990"},
        {"[2001:db8::1]:", "2121", "2001:db8::1", "2121"},
        {"fe80::1%eth0", "21", "fe80::1%eth0", "21"},
        {"[::1", "21", "[::1", "21"}, // kept as typed: connecting reports it
        {"", "21", "", "21"},
    };
    for (const auto& c : cases) {
        ConnectFields fields = ConnectFields::typed(c[0], c[1], "u", "p");
        EXPECT_EQ(fields.host, c[2]) << c[0];
        EXPECT_EQ(fields.port, c[3]) << c[0];
        EXPECT_EQ(fields.user, "u");
    }
}

TEST(ConnectHistory, SecondConnectionToAHostReplacesItsEntry)
{
    ConnectHistory history;
    history.record({"ftp.one", "21", "alice", "a"});
    history.record({"ftp.two", "2121", "", ""});
    history.record({"ftp.one", "2100", "bob", "b"});
    // Differing only in letter case: the list keeps one, the entries keep both.
    history.record({"FTP.ONE", "21", "carol", "c"});
    EXPECT_EQ(history.hosts(), (Hosts{"ftp.one", "ftp.two"}));
    ConnectFields one = history.picked("ftp.one");
    EXPECT_EQ(one.port, "2100");
    EXPECT_EQ(one.user, "bob");
    EXPECT_EQ(one.password, "b");
    // A host without an entry empties the other fields.
    ConnectFields unknown = history.picked("ftp.three");
    EXPECT_EQ(unknown.host, "ftp.three");
    EXPECT_EQ(unknown.port, "");
    EXPECT_EQ(unknown.user, "");
}

TEST(ConnectHistory, HostsAreSortedWithoutRegardToCase)
{
    ConnectHistory history;
    for (const char* host : {"zeta", "Alpha", "beta", "10.0.0.1"})
        history.record({host, "21", "", ""});
    EXPECT_EQ(history.hosts(), (Hosts{"10.0.0.1", "Alpha", "beta", "zeta"}));
}

TEST(ConnectHistory, LoadingStopsAtTheFirstEntryWithNothingInIt)
{
    MemoryProfile profile;
    profile.writeString("ConnectBar", "0-Host", "ftp.one");
    profile.writeString("ConnectBar", "0-User", "alice");
    // Entry 1 has only a port: it still counts.
    profile.writeString("ConnectBar", "1-Port", "2121");
    // The same host twice: the later values win.
    profile.writeString("ConnectBar", "2-Host", "ftp.one");
    profile.writeString("ConnectBar", "2-User", "dave");
    profile.writeString("ConnectBar", "4-Host", "after.the.gap");
    ConnectHistory history;
    history.load(profile);
    EXPECT_EQ(history.hosts(), (Hosts{"", "ftp.one"}));
    EXPECT_EQ(history.picked("ftp.one").user, "dave");
    EXPECT_EQ(history.picked("").port, "2121");
}

TEST(ConnectHistory, SaveRewritesTheSectionWholeThroughTheRealStore)
{
    auto path = std::filesystem::temp_directory_path() / ("varnix-connect-" + std::to_string(getpid()) + ".conf");
    std::filesystem::remove(path);
    {
        QSettingsProfile profile(path.string());
        profile.writeString("ConnectBar", "7-Host", "stale.entry");
        ConnectHistory history;
        history.record({"ftp.one", "21", "alice", "secret"});
        history.record({"ftp.one", "21", "bob", "other"});
        history.record({"ftp.two", "2121", "", ""});
        history.save(profile, {"ftp.two", "2121", "", ""});
        profile.flush();
    }
    QSettingsProfile reopened(path.string());
    ConnectHistory history;
    history.load(reopened);
    EXPECT_EQ(history.loadedFields().host, "ftp.two");
    EXPECT_EQ(history.loadedFields().port, "2121");
    EXPECT_EQ(history.hosts(), (Hosts{"ftp.one", "ftp.two"}));
    EXPECT_EQ(history.picked("ftp.one").user, "bob");
    EXPECT_EQ(history.picked("ftp.one").password, "other");
    EXPECT_EQ(reopened.readString("ConnectBar", "0-Host", ""), "ftp.one");
    EXPECT_EQ(reopened.readString("ConnectBar", "7-Host", "gone"), "gone");
    std::filesystem::remove(path);
}

} // namespace
} // namespace varnix
