// varnix-cli as a user runs it, against real servers on loopback.

#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/TempTree.h"

#include "support/SameBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;
using test::ServerOptions;
using test::TempTree;

using test::sameBytes;

// Transfers go through the transfer queue: progress, retries, resume.
class CliTransfers : public ::testing::Test {
protected:
    // Short time-outs and no retries unless a test asks for them.
    test::CliResult run(const std::vector<std::string>& args, const std::vector<std::string>& settings = {})
    {
        std::vector<std::string> argv;
        for (const char* s : {"RecvTimeout=5", "SendTimeout=5", "RetryCount=0"})
            argv.insert(argv.end(), {"--set", s});
        for (const auto& s : settings)
            argv.insert(argv.end(), {"--set", s});
        argv.insert(argv.end(), args.begin(), args.end());
        return test::runCli(argv);
    }

    static std::size_t countOf(const std::vector<std::string>& log, const std::string& prefix)
    {
        return std::size_t(std::count_if(log.begin(), log.end(),
                                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }

    TempTree tree, local;
};

TEST_F(CliTransfers, PutThenGetRoundTripsAFileAndShowsProgress)
{
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    local.writeSized("up.bin", 700000, 3);
    test::CliResult put = run({server.url(), "put", local.path("up.bin").string(), "/stored.bin"});
    ASSERT_EQ(put.status, 0) << put.err;
    EXPECT_TRUE(sameBytes(tree.read("stored.bin"), local.read("up.bin")));
    EXPECT_NE(put.err.find("Complete: 700000/700000 bytes, "), std::string::npos) << put.err;
    test::CliResult get = run({server.url(), "get", "stored.bin", local.path("back.bin").string()});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_TRUE(sameBytes(local.read("back.bin"), local.read("up.bin")));
}

// An IPv6 literal in the URL, on both kinds of server, in both data modes.
TEST_F(CliTransfers, BracketedIpv6UrlListsPutsAndGets)
{
    if (!test::loopbackIpv6Available())
        GTEST_SKIP() << "no IPv6 on loopback (::1) on this machine";
    local.write("up.txt", "over IPv6");
    for (ServerKind kind : {ServerKind::Pyftpdlib, ServerKind::Vsftpd}) {
        for (const char* mode : {"PasvMode=1", "PasvMode=0"}) {
            SCOPED_TRACE(test::kindName(kind) + " " + mode);
            TempTree served;
            FtpServer server(kind, served.root(), {.address = "::1"});
            ASSERT_EQ(server.url().substr(0, 11), "ftp://[::1]");
            test::CliResult put = run({server.url(), "put", local.path("up.txt").string(),
                                       server.remotePath("v6.txt")}, {mode});
            ASSERT_EQ(put.status, 0) << put.err;
            test::CliResult ls = run({server.url(), "ls", server.remotePath()}, {mode});
            EXPECT_NE(ls.out.find("v6.txt"), std::string::npos) << ls.out << ls.err;
            test::CliResult get = run({server.url(), "get", server.remotePath("v6.txt"),
                                       local.path("back.txt").string()}, {mode});
            ASSERT_EQ(get.status, 0) << get.err;
            EXPECT_EQ(local.read("back.txt"), "over IPv6");
            EXPECT_EQ(served.read("v6.txt"), "over IPv6");
            const bool active = std::string(mode) == "PasvMode=0";
            EXPECT_EQ(countOf(server.commandLog(), "EPRT |2|::1|") > 0, active);
            EXPECT_EQ(countOf(server.commandLog(), "EPSV") > 0, !active);
        }
    }
}

TEST_F(CliTransfers, ResumedGetAndPutSendOnlyTheRest)
{
    FtpServer server(ServerKind::Vsftpd, tree.root());
    tree.writeSized("remote.bin", 500000, 4);
    local.write("remote.bin", TempTree::sizedContent(123456, 4));
    std::string remote = server.remotePath("remote.bin");
    test::CliResult get = run({server.url(), "get", remote, local.path("remote.bin").string(), "--resume"});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_TRUE(sameBytes(local.read("remote.bin"), tree.read("remote.bin")));

    local.writeSized("up.bin", 400000, 6);
    tree.write("up.bin", TempTree::sizedContent(100000, 6));
    test::CliResult put =
        run({server.url(), "put", local.path("up.bin").string(), server.remotePath("up.bin"), "--resume"});
    ASSERT_EQ(put.status, 0) << put.err;
    EXPECT_TRUE(sameBytes(tree.read("up.bin"), local.read("up.bin")));
    auto log = server.commandLog();
    EXPECT_EQ(countOf(log, "REST 123456"), 1u);
    EXPECT_EQ(countOf(log, "APPE"), 1u);
}

// The partial file is in the listing the client takes of its login folder;
// the retry must not resume from that stale size.
TEST_F(CliTransfers, BrokenUploadIsRetriedAndResumedToTheByte)
{
    ServerOptions options;
    options.dropDataAfter = 300000;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    local.writeSized("big.bin", 6 << 20, 8);
    tree.write("big.bin", TempTree::sizedContent(100000, 8));
    test::CliResult put = run({server.url(), "put", local.path("big.bin").string(), "big.bin", "--resume"},
                  {"RetryCount=2", "RetryDelay=1"});
    ASSERT_EQ(put.status, 0) << put.err;
    EXPECT_NE(put.err.find("(retrying)"), std::string::npos) << put.err;
    EXPECT_TRUE(sameBytes(tree.read("big.bin"), local.read("big.bin")));
    EXPECT_EQ(countOf(server.commandLog(), "APPE big.bin"), 2u);
}

TEST_F(CliTransfers, TransferThatKeepsBreakingFailsWithItsReason)
{
    ServerOptions options;
    options.dropDataAfter = 200000;
    options.dropDataAlways = true;
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    local.writeSized("big.bin", 6 << 20, 8);
    test::CliResult put =
        run({server.url(), "put", local.path("big.bin").string(), "/big.bin"}, {"RetryCount=1", "RetryDelay=1"});
    EXPECT_EQ(put.status, 1);
    EXPECT_NE(put.err.find("Uploading file big.bin from "), std::string::npos) << put.err;
    EXPECT_EQ(countOf(server.commandLog(), "APPE big.bin"), 1u);
}

TEST_F(CliTransfers, MissingFileFailsAtOnce)
{
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    test::CliResult get = run({server.url(), "get", "/missing.bin", local.path("m").string()}, {"RetryCount=3"});
    EXPECT_EQ(get.status, 1);
    EXPECT_NE(get.err.find("failed: 550"), std::string::npos) << get.err;
    EXPECT_EQ(get.err.find("(retrying)"), std::string::npos) << get.err;
}

// A local path the command cannot use fails it at once, before anything
// reaches the server, and is never retried.
TEST_F(CliTransfers, UnusableLocalPathsFailBeforeConnecting)
{
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    tree.write("r.txt", "remote");
    local.write("plain.txt", "a file, not a folder");
    const std::string missing = local.path("no/such").string();
    const std::string plain = local.path("plain.txt").string();
    const std::string folder = local.root().string();
    struct Case {
        std::vector<std::string> command;
        std::string message;
    };
    const Case cases[] = {
        {{"put", missing + "/f.bin", "/x.bin"}, "Cannot open " + missing + "/f.bin: No such file or directory"},
        {{"put", folder, "/x.bin"}, "Cannot open " + folder + ": Is a directory"},
        {{"putdir", missing, "/x"}, "Cannot read folder " + missing + ": No such file or directory"},
        {{"putdir", plain, "/x"}, "Cannot read folder " + plain + ": Not a directory"},
        {{"get", "/r.txt", missing + "/r.txt"}, "Cannot write " + missing + "/r.txt: No such file or directory"},
        {{"get", "/r.txt", plain + "/r.txt"}, "Cannot write " + plain + "/r.txt: Not a directory"},
        {{"get", "/r.txt", folder}, "Cannot write " + folder + ": Is a directory"},
        {{"getdir", "/", missing + "/copy"}, "Cannot create folder " + missing + "/copy: No such file or directory"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{server.url()};
        args.insert(args.end(), c.command.begin(), c.command.end());
        test::CliResult r = run(args, {"RetryCount=10"});
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_EQ(r.err, c.message + "\n");
    }
    EXPECT_EQ(server.loginCount(), 0);
}

// The first connection fails: the engine's reason, and exit 1; the usage
// text is for a command line that cannot be run as written. A server
// without TLS under the default Encryption is used after one warning line.
TEST_F(CliTransfers, FirstConnectionFailuresSayWhyAndExitOne)
{
    struct Case {
        const char* name;
        std::optional<ServerOptions> server;   // none: nothing listens
        ServerKind kind;
        std::vector<std::string> settings;
        std::vector<std::string> command;      // after the URL; "LOCAL" is a local file
        int status;
        std::string saying;
    };
    const std::string warning = "does not offer TLS: the login and files travel unencrypted\n";
    const Case cases[] = {
        {"nothing listens", std::nullopt, ServerKind::Pyftpdlib, {}, {"get", "a.txt", "LOCAL"}, 1,
         "Connection refused"},
        {"certificate refused", ServerOptions{.tls = test::TlsMode::Explicit}, ServerKind::Vsftpd, {},
         {"put", "LOCAL", "b.txt"}, 1, "is not trusted (self-signed certificate)"},
        {"TLS required, refused", ServerOptions{}, ServerKind::Pyftpdlib, {"Encryption=2"}, {"mkdir", "x"}, 1,
         "The server refused TLS, which this site requires"},
        {"plain FTP used", ServerOptions{}, ServerKind::Pyftpdlib, {}, {"get", "a.txt", "LOCAL"}, 0, warning},
        {"malformed command line", ServerOptions{}, ServerKind::Pyftpdlib, {}, {"get", "a.txt"}, 2, "usage: get"},
    };
    tree.write("a.txt", "a");
    local.write("b.txt", "b");
    for (const Case& c : cases) {
        std::unique_ptr<FtpServer> server;
        if (c.server)
            server = std::make_unique<FtpServer>(c.kind, tree.root(), *c.server);
        const std::string url = server ? server->url() : "ftp://127.0.0.1:" + std::to_string(test::pickFreePort());
        std::vector<std::string> args{url};
        for (const std::string& word : c.command)
            args.push_back(word == "LOCAL" ? local.path(c.command[0] == "put" ? "b.txt" : "got.txt").string() : word);
        test::CliResult r = run(args, c.settings);
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.saying), std::string::npos) << c.name << ": " << r.err;
        EXPECT_EQ(r.err.find("usage:") != std::string::npos, c.status == 2) << c.name << ": " << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err.find(warning), r.err.rfind(warning)) << "one warning line: " << r.err;
        }
    }
}

TEST_F(CliTransfers, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(run({"ftp://127.0.0.1:1"}).status, 2);
    EXPECT_EQ(run({"ftp://127.0.0.1:1", "put", "a", "b", "--newer"}).status, 2);
    EXPECT_EQ(run({"ftp://127.0.0.1:1", "copy", "/a", "not-a-url"}).status, 2);
    test::CliResult bad = run({"ftp://127.0.0.1:1", "ls"}, {"NoSuchSetting=1"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage:"), std::string::npos) << bad.err;
}

} // namespace
} // namespace varnix
