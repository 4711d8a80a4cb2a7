// The two routes of a site-to-site copy between servers on different
// addresses, as on the internet: server to server where both servers allow
// a data connection with a third party, through Varnix where they refuse
// it, as vsftpd and pyftpdlib do by default. Which route a copy took shows
// in the servers' own logs: server to server, the source is sent PORT with
// the destination's address.

#include "session/CFTPSession.h"

#include "ftp/SiteRoutes.h"
#include "support/HasLine.h"
#include "support/SameBytes.h"
#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::ServerOptions;
using test::TempTree;

constexpr const char* kSourceAddress = "127.0.0.2";
constexpr const char* kDestinationAddress = "127.0.0.3";

// Server to server, the source's server is told to connect to the destination's.
bool sentToOtherServer(const FtpServer& source)
{
    auto log = source.commandLog();
    return std::any_of(log.begin(), log.end(), [](const std::string& c) { return c.starts_with("PORT 127,0,0,3,"); });
}

// Through Varnix, the source's server sends the file over a data connection of our own.
bool sentToUs(const FtpServer& source)
{
    auto log = source.commandLog();
    return std::any_of(log.begin(), log.end(), [](const std::string& c) { return c == "EPSV" || c == "PASV"; });
}

ServerOptions at(const char* address, bool permitForeign)
{
    ServerOptions options;
    options.address = address;
    options.permitForeignAddresses = permitForeign;
    return options;
}

class SiteToSiteRoutes : public ::testing::Test {
protected:
    SiteToSiteRoutes() { forgetRefusals(); }

    void start(ServerKind sourceKind, ServerKind destinationKind, bool permitForeign, ServerOptions sourceOptions = {})
    {
        sourceOptions.address = kSourceAddress;
        sourceOptions.permitForeignAddresses = permitForeign;
        sourceServer.emplace(sourceKind, sourceTree.root(), sourceOptions);
        destinationServer.emplace(destinationKind, destinationTree.root(), at(kDestinationAddress, permitForeign));
        destinationSite = harness.site(*destinationServer);
        source = harness.session(harness.site(*sourceServer));
        destination = harness.session(destinationSite);
    }
    void setRoute(SiteToSiteRoute route)
    {
        LockedAccess<SiteContext>(destinationSite)->settings().setSiteToSiteRoute(std::uint32_t(route));
    }
    void copy(const std::string& name = "file.bin", bool resume = false)
    {
        destination->SiteUploadFile(destinationServer->remotePath(), sourceServer->remotePath(), source, name, name,
                                    resume);
    }
    std::vector<std::string> statuses(CFTPSession* from)
    {
        std::vector<std::string> out;
        for (const SessionNotice& n : harness.target.notices())
            if (n.sender == from && n.kind == NoticeStatus)
                out.push_back(n.text);
        return out;
    }

    TempTree sourceTree, destinationTree;
    std::optional<FtpServer> sourceServer, destinationServer;
    test::SessionHarness harness;
    SiteHandle destinationSite;
    CFTPSession* source = nullptr;
    CFTPSession* destination = nullptr;
};

TEST_F(SiteToSiteRoutes, EachRouteAsTheSettingAndTheServersAllow)
{
    struct Case {
        const char* name;
        ServerKind sourceKind, destinationKind;
        bool permitForeign;
        SiteToSiteRoute route;
        bool arrives, serverToServer;
    } cases[] = {
        {"default vsftpd pair", ServerKind::Vsftpd, ServerKind::Vsftpd, false, SiteToSiteRoute::Either, true, false},
        {"default pyftpdlib pair", ServerKind::Pyftpdlib, ServerKind::Pyftpdlib, false, SiteToSiteRoute::Either,
         true, false},
        {"pyftpdlib to vsftpd", ServerKind::Pyftpdlib, ServerKind::Vsftpd, false, SiteToSiteRoute::Either, true,
         false},
        {"servers that allow it", ServerKind::Pyftpdlib, ServerKind::Vsftpd, true, SiteToSiteRoute::Either, true,
         true},
        {"always through Varnix", ServerKind::Pyftpdlib, ServerKind::Pyftpdlib, true, SiteToSiteRoute::ThroughVarnix,
         true, false},
        {"server to server only", ServerKind::Vsftpd, ServerKind::Vsftpd, false, SiteToSiteRoute::ServerToServer,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempTree sourceFiles, destinationFiles;
        sourceFiles.writeSized("file.bin", 3145735, 5);
        FtpServer from(c.sourceKind, sourceFiles.root(), at(kSourceAddress, c.permitForeign));
        FtpServer to(c.destinationKind, destinationFiles.root(), at(kDestinationAddress, c.permitForeign));
        test::SessionHarness pair;
        SiteHandle toSite = pair.site(to);
        LockedAccess<SiteContext>(toSite)->settings().setSiteToSiteRoute(std::uint32_t(c.route));
        CFTPSession* reader = pair.session(pair.site(from));
        CFTPSession* writer = pair.session(toSite);
        writer->SiteUploadFile(to.remotePath(), from.remotePath(), reader, "copy.bin", "file.bin", false);
        SessionNotice outcome = pair.outcome(writer);
        EXPECT_EQ(sentToOtherServer(from), c.route != SiteToSiteRoute::ThroughVarnix);
        EXPECT_EQ(sentToUs(from), c.arrives && !c.serverToServer);
        if (!c.arrives) {
            EXPECT_EQ(outcome.kind, NoticeFailed);
            EXPECT_NE(outcome.text.find("Cannot copy server to server: 500 Illegal PORT command."), std::string::npos)
                << outcome.text;
            EXPECT_FALSE(destinationFiles.exists("copy.bin"));
            continue;
        }
        ASSERT_EQ(outcome.kind, NoticeDone) << outcome.text;
        EXPECT_EQ(pair.outcome(reader).kind, NoticeDone);
        EXPECT_TRUE(test::sameBytes(destinationFiles.read("copy.bin"), sourceFiles.read("file.bin")));
    }
}

// A pair found to refuse each other copies through Varnix from then on,
// without asking the servers again; the status says why once.
TEST_F(SiteToSiteRoutes, ARefusingPairIsRememberedAndATreeCopiesThroughVarnix)
{
    start(ServerKind::Vsftpd, ServerKind::Pyftpdlib, false);
    sourceTree.writeSized("file.bin", 500000, 1);
    sourceTree.writeSized("tree/a.bin", 200000, 2);
    sourceTree.writeSized("tree/sub/b.bin", 100, 3);
    sourceTree.write("tree/sub/empty.txt", "");
    copy();
    ASSERT_EQ(harness.outcome(destination).kind, NoticeDone) << harness.outcome(destination).text;
    EXPECT_TRUE(test::hasLine(statuses(destination), "Cannot copy server to server (500 Illegal PORT command.): "
                                                     "copying through Varnix"));
    const std::size_t portsBefore = sourceServer->commandLog().size();
    source->SiteDownloadFolder(sourceServer->remotePath(), destinationServer->remotePath(), destination, "tree",
                               "tree", false, false);
    ASSERT_EQ(harness.outcome(destination, 1).kind, NoticeDone) << harness.outcome(destination, 1).text;
    auto later = sourceServer->commandLog();
    EXPECT_FALSE(std::any_of(later.begin() + long(portsBefore), later.end(),
                             [](const std::string& c) { return c.starts_with("PORT"); }));
    for (const char* file : {"file.bin", "tree/a.bin", "tree/sub/b.bin", "tree/sub/empty.txt"})
        EXPECT_TRUE(test::sameBytes(destinationTree.read(file), sourceTree.read(file))) << file;
}

// Resumed, the source starts at the destination's size; a copy cut off
// mid-way is retried and resumes where it stopped.
TEST_F(SiteToSiteRoutes, ThroughVarnixResumesWhatArrivedBefore)
{
    ServerOptions dropping;
    dropping.dropDataAfter = 1000000;
    start(ServerKind::Pyftpdlib, ServerKind::Vsftpd, false, dropping);
    setRoute(SiteToSiteRoute::ThroughVarnix);
    sourceTree.writeSized("file.bin", 3145735, 4);
    copy();
    SessionNotice cut = harness.outcome(source);
    EXPECT_EQ(cut.kind, NoticeFailed);
    EXPECT_EQ(cut.recovery, RecoveryRetry) << cut.text;
    // The destination stores what came before the cut, then takes its next task.
    destination->List(destinationServer->remotePath(), "");
    ASSERT_EQ(harness.outcome(destination).kind, NoticeDone);
    const std::uint64_t arrived = std::filesystem::file_size(destinationTree.path("file.bin"));
    EXPECT_GT(arrived, 0u);
    EXPECT_LE(arrived, 1000000u);

    // The destination's part ended quietly: the source's told what failed.
    copy("file.bin", true);
    ASSERT_EQ(harness.outcome(destination, 1).kind, NoticeDone) << harness.outcome(destination, 1).text;
    EXPECT_TRUE(test::sameBytes(destinationTree.read("file.bin"), sourceTree.read("file.bin")));
    EXPECT_TRUE(test::hasLine(sourceServer->commandLog(), "REST " + std::to_string(arrived)));
    EXPECT_TRUE(test::hasLine(destinationServer->commandLog(), "APPE file.bin"));
    // The progress counts the offset once.
    std::uint64_t total = 0;
    for (const SessionNotice& n : harness.target.notices())
        if (n.sender == source && n.kind == NoticeProgress && n.offset == arrived)
            total = n.offset + n.expected;
    EXPECT_EQ(total, 3145735u);
}

// A cancel ends both sides at once, leaves both connections usable, and a
// source that fails before its first byte leaves nothing at the destination.
TEST_F(SiteToSiteRoutes, CancelAndAMissingSourceLeaveBothSessionsReady)
{
    ServerOptions slow;
    slow.stallDataAfter = 200000;
    start(ServerKind::Pyftpdlib, ServerKind::Pyftpdlib, false, slow);
    sourceTree.writeSized("file.bin", 3000000, 6);
    copy();
    harness.target.waitUntil([&](const auto& notices) {
        return std::any_of(notices.begin(), notices.end(), [&](const SessionNotice& n) {
            return n.sender == source && n.kind == NoticeProgress && n.moved >= 200000;
        });
    }, 20000);
    // The destination reports the cancel; the source's part ends with it.
    destination->Cancel();
    EXPECT_EQ(harness.outcome(destination, 0, 10000).kind, NoticeAborted);

    copy("missing.bin");
    SessionNotice missing = harness.outcome(source);
    EXPECT_EQ(missing.kind, NoticeFailed);
    EXPECT_FALSE(destinationTree.exists("missing.bin"));
    destination->List(destinationServer->remotePath(), "");
    EXPECT_EQ(harness.outcome(destination, 1).kind, NoticeDone) << harness.outcome(destination, 1).text;
    source->List(sourceServer->remotePath(), "");
    EXPECT_EQ(harness.outcome(source, 1).kind, NoticeDone);
}

} // namespace
} // namespace varnix
