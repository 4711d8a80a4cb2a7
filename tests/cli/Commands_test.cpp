// varnix-cli tried as a new user would: each command group against both
// real servers, through the built program.

#include "support/CliRun.h"
#include "support/FtpServer.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace varnix::test {
namespace {

std::vector<std::vector<std::string>> rows(const std::string& out)
{
    std::vector<std::vector<std::string>> table;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        table.push_back(fields);
    }
    return table;
}

class CliCommands : public ::testing::TestWithParam<ServerKind> {
protected:
    CliCommands() : server(GetParam(), tree.root()) {}
    std::string url() const { return server.url(); }
    // A remote path below the server's root as the server names it.
    std::string remote(const std::string& rel) const { return server.remotePath(rel); }
    TempTree tree, local;
    FtpServer server;
};

TEST_P(CliCommands, LsPrintsOneTabSeparatedLinePerEntry)
{
    tree.writeSized("docs/a.txt", 1234);
    tree.mkdir("docs/sub");
    tree.symlink("docs/up", "sub");
    tree.setMtime("docs/a.txt", 1000000000);   // 9 Sep 2001, 01:46:40 UTC
    chmod(tree.path("docs/a.txt").c_str(), 0640);
    CliResult r = runCli({url(), "ls", remote("docs")});
    ASSERT_EQ(r.status, 0) << r.err;
    auto table = rows(r.out);
    ASSERT_EQ(table.size(), 3u) << r.out;
    for (const auto& row : table) {
        ASSERT_GE(row.size(), 7u) << r.out;
        if (row[0] == "a.txt") {
            EXPECT_EQ(row[1], "1234");
            EXPECT_EQ(row[3], "640");
            EXPECT_EQ(row[4], "-");
        } else if (row[0] == "sub") {
            EXPECT_EQ(row[4], "d");
        } else if (GetParam() == ServerKind::Pyftpdlib) {
            EXPECT_EQ(row[0], "up"); // its MLSD reports what a link leads to
            EXPECT_EQ(row[4], "d");
        } else {
            EXPECT_EQ(row[0], "up");
            EXPECT_EQ(row[4], "dl");
            ASSERT_EQ(row.size(), 8u);
            EXPECT_EQ(row[7], "sub");
        }
    }
}

TEST_P(CliCommands, FileCommandsChangeTheServerTree)
{
    tree.write("old.txt", "x");
    tree.write("gone.txt", "x");
    std::string script = "mkdir " + remote("made") + "\n"
                         "mkdir " + remote("tree") + "\n"
                         "mkdir " + remote("tree/inner") + "\n"
                         "rmdir " + remote("tree") + "\n"
                         "mv " + remote("old.txt") + " new.txt\n"
                         "rm " + remote("gone.txt") + "\n";
    CliResult r = runCli({url(), "-"}, script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(tree.path("made")));
    EXPECT_FALSE(tree.exists("tree"));
    EXPECT_TRUE(tree.exists("new.txt"));
    EXPECT_FALSE(tree.exists("old.txt"));
    EXPECT_FALSE(tree.exists("gone.txt"));
}

TEST_P(CliCommands, TransfersFilesAndFolders)
{
    tree.writeSized("pub/big.bin", 700000, 3);
    tree.writeSized("pub/tree/a.bin", 1000, 4);
    tree.writeSized("pub/tree/sub/b.bin", 2000, 5);
    local.writeSized("up/one.bin", 3000, 6);
    local.writeSized("up/deep/two.bin", 4000, 7);
    std::string script = "get " + remote("pub/big.bin") + " " + local.path("big.bin").string() + "\n"
                         "getdir " + remote("pub/tree") + " " + local.path("tree").string() + "\n"
                         "put " + local.path("up/one.bin").string() + " " + remote("one.bin") + "\n"
                         "putdir " + local.path("up").string() + " " + remote("up") + "\n";
    CliResult r = runCli({url(), "-"}, script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(local.read("big.bin"), tree.read("pub/big.bin"));
    EXPECT_EQ(local.read("tree/sub/b.bin"), tree.read("pub/tree/sub/b.bin"));
    EXPECT_EQ(tree.read("one.bin"), local.read("up/one.bin"));
    EXPECT_EQ(tree.read("up/deep/two.bin"), local.read("up/deep/two.bin"));
}

TEST_P(CliCommands, ResumeContinuesAPartialDownload)
{
    tree.writeSized("f.bin", 400000, 8);
    local.write("f.bin", TempTree::sizedContent(150000, 8));
    CliResult r = runCli({url(), "get", remote("f.bin"), local.path("f.bin").string(), "--resume"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(local.read("f.bin"), tree.read("f.bin"));
}

TEST_P(CliCommands, FailureIsPrintedAndExitsOne)
{
    CliResult r = runCli({url(), "get", remote("missing.bin"), local.path("m.bin").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Downloading file missing.bin"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("failed: "), std::string::npos) << r.err;
}

// A UTF-8 name travels as typed; one that is not UTF-8 comes back byte for
// byte (vsftpd keeps names as bytes, pyftpdlib cannot take them at all).
TEST_P(CliCommands, NamesKeepTheirBytesThroughEveryCommand)
{
    std::vector<std::string> names{"Gr\xc3\xbc\xc3\x9f" "e \xe5\x90\x8d.txt"};
    if (GetParam() == ServerKind::Vsftpd)
        names.push_back("caf\xe9.txt");
    for (const std::string& name : names) {
        local.write(name, "content of " + name);
        std::string script = "put \"" + local.path(name).string() + "\" \"" + remote(name) + "\"\n"
                             "ls " + remote("") + "\n"
                             "get \"" + remote(name) + "\" \"" + local.path(name + ".back").string() + "\"\n"
                             "mv \"" + remote(name) + "\" \"moved " + name + "\"\n";
        CliResult r = runCli({url(), "-"}, script);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(name + "\t"), std::string::npos) << r.out;
        EXPECT_EQ(local.read(name + ".back"), "content of " + name);
        EXPECT_EQ(tree.read("moved " + name), "content of " + name);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, CliCommands, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const auto& info) { return kindName(info.param); });

TEST(Cli, NamedLoginChmodAndRelativePaths)
{
    TempTree tree;
    tree.write("a.txt", "x");
    FtpServer server(ServerKind::Pyftpdlib, tree.root());
    CliResult r = runCli({server.url("tester", "secret"), "chmod", "600", "a.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat st{};
    stat(tree.path("a.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    r = runCli({server.url("tester", "secret"), "chown", "nobody:nogroup", "a.txt"});
    EXPECT_EQ(r.status, 1) << "pyftpdlib has no SITE CHOWN";
}

// Two servers on different addresses with their default rules, which
// refuse a data connection with a third party: the copy goes through
// Varnix, and the progress line says so.
TEST(Cli, CopiesBetweenTwoServers)
{
    TempTree source, destination;
    source.writeSized("file.bin", 3145735, 1);
    source.writeSized("folder/x.bin", 3000, 2);
    source.writeSized("folder/sub/y.bin", 4000, 3);
    destination.writeSized("copy.bin", 1234567, 1);
    FtpServer from(ServerKind::Pyftpdlib, source.root(), {.permitForeignAddresses = false, .address = "127.0.0.2"});
    FtpServer to(ServerKind::Vsftpd, destination.root(), {.permitForeignAddresses = false, .address = "127.0.0.3"});
    CliResult r = runCli({from.url(), "copy", "/file.bin", to.url() + "/" + to.remotePath("copy.bin"), "--resume"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(destination.read("copy.bin"), source.read("file.bin"));
    EXPECT_NE(r.err.find("Transfering through Varnix: 1234567/3145735 bytes"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("server to server"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("3145735/3145735 bytes"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("/4380302 bytes"), std::string::npos) << r.err;
    r = runCli({from.url(), "copy", "/folder", to.url() + "/" + to.remotePath() + "/"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(destination.read("folder/sub/y.bin"), source.read("folder/sub/y.bin"));
    // Server to server only, the copy fails at once and leaves nothing.
    r = runCli({"--set", "SiteToSiteRoute=1", from.url(), "copy", "/folder/x.bin",
                to.url() + "/" + to.remotePath("x.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot copy server to server: 501"), std::string::npos) << r.err;
    EXPECT_FALSE(destination.exists("x.bin"));
}

// The transfer line ends "Verified", and the hash that proved it follows.
TEST(Cli, PrintsTheVerifiedHashAfterTheTransferLine)
{
    TempTree tree, local;
    tree.writeSized("f.bin", 5000, 1);
    ServerOptions options;
    options.hashes = "SHA-256,SHA-1";
    FtpServer server(ServerKind::Pyftpdlib, tree.root(), options);
    CliResult r = runCli({server.url(), "get", "/f.bin", local.path("f.bin").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t line = r.err.rfind("Verified: 5000/5000 bytes");
    ASSERT_NE(line, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("\nVerified SHA-256 of f.bin\n", line), r.err.find('\n', line)) << r.err;
    r = runCli({"--set", "Verify=0", server.url(), "put", local.path("f.bin").string(), "/g.bin"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("Verified"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Complete: 5000/5000 bytes"), std::string::npos) << r.err;
}

TEST(Cli, UsageErrorsExitTwo)
{
    EXPECT_EQ(runCli({}).status, 2);
    EXPECT_EQ(runCli({"http://host", "ls"}).status, 2);
    EXPECT_EQ(runCli({"ftp://127.0.0.1:1", "frobnicate"}).status, 2);
    EXPECT_EQ(runCli({"ftp://127.0.0.1:1", "get", "only-one"}).status, 2);
    EXPECT_EQ(runCli({"ftp://127.0.0.1:1", "chmod", "9z", "/x"}).status, 2);
}

} // namespace
} // namespace varnix::test
