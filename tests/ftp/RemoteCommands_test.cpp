#include "EngineOnServer.h"
#include "model/RemoteFolder.h"
#include "support/ScriptedServer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

class RemoteCommandsOnServer : public EngineOnServer {
protected:
    void SetUp() override { start(); }

    // The engine still talks in step with the server after a refusal.
    void expectStillInStep()
    {
        ASSERT_TRUE(engine().IsConnected());
        engine().MakeFolder(remote(), "after");
        EXPECT_TRUE(fs::is_directory(tree.path("after")));
    }
};

TEST_P(RemoteCommandsOnServer, MakeFolderInTheCurrentFolderSendsOnlyMkd)
{
    engine().SetDirectory(remote());
    const auto from = mark();
    engine().MakeFolder(remote(), "made");
    EXPECT_EQ(since(from), (std::vector<std::string>{"MKD made"}));
    EXPECT_TRUE(fs::is_directory(tree.path("made")));
}

TEST_P(RemoteCommandsOnServer, MakeFolderThatExistsIsRefused)
{
    tree.mkdir("there");
    EXPECT_THROW(engine().MakeFolder(remote(), "there"), CFTPException);
    expectStillInStep();
}

TEST_P(RemoteCommandsOnServer, RemoveFolderOfAnEmptyFolderListsItThenRemovesIt)
{
    tree.mkdir("empty");
    const auto from = mark();
    engine().RemoveFolder(remote(), "empty");
    EXPECT_FALSE(tree.exists("empty"));
    auto sent = since(from);
    auto list = std::find_if(sent.begin(), sent.end(), [](auto& c) { return c == "LIST -A" || c == "MLSD"; });
    auto rmd = std::find(sent.begin(), sent.end(), "RMD empty");
    EXPECT_NE(list, sent.end());
    EXPECT_LT(list, rmd);
}

TEST_P(RemoteCommandsOnServer, RemoveFolderTakesTheTreeAndOnlyTheLinkToAFolder)
{
    tree.write("kept/precious.txt", "keep me");
    tree.write("victim/file.txt", "gone");
    tree.symlink("victim/ln", "../kept");
    tree.write("victim/sub/inner.txt", "gone too");
    tree.write("victim/sub/deeper/x", "and this");
    const auto from = mark();

    engine().RemoveFolder(remote(), "victim");

    EXPECT_FALSE(fs::exists(fs::symlink_status(tree.path("victim"))));
    EXPECT_EQ(tree.read("kept/precious.txt"), "keep me");
    auto sent = since(from);
    EXPECT_EQ(countOf(sent, "DELE ln"), 1u);
    EXPECT_EQ(countOf(sent, "RMD ln"), 0u);
    EXPECT_EQ(countOf(sent, "RMD deeper"), 1u);
    EXPECT_EQ(countOf(sent, "RMD victim"), 1u);
}

// pyftpdlib's MLSD shows a link to a folder as a folder: removing it as one
// still takes the link alone. (LIST shows links, which callers delete as names.)
TEST_P(RemoteCommandsOnServer, RemoveFolderOfALinkListedAsAFolderTakesOnlyTheLink)
{
    if (GetParam() != ServerKind::Pyftpdlib)
        GTEST_SKIP() << "vsftpd lists by LIST";
    tree.write("kept/precious.txt", "keep me");
    tree.symlink("ln", "kept");
    EXPECT_TRUE(engine().ListFolder(remote(), {}, false)->find("ln")->isFolder());
    engine().RemoveFolder(remote(), "ln");
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree.path("ln"))));
    EXPECT_EQ(tree.read("kept/precious.txt"), "keep me");
}

TEST_P(RemoteCommandsOnServer, DeleteFileRemovesItAndAMissingOneIsRefused)
{
    tree.write("doomed.txt", "x");
    engine().DeleteFile(remote(), "doomed.txt");
    EXPECT_FALSE(tree.exists("doomed.txt"));
    try {
        engine().DeleteFile(remote(), "doomed.txt");
        FAIL() << "deleting a missing file was not refused";
    } catch (const CFTPException& failure) {
        EXPECT_TRUE(failure.GetErrorMessage().starts_with("55")) << failure.GetErrorMessage();
    }
    expectStillInStep();
}

TEST_P(RemoteCommandsOnServer, RenameMovesTheFileAndAMissingSourceIsRefused)
{
    tree.write("docs/old.txt", "content");
    engine().Rename(remote("docs"), "new.txt", "old.txt");
    EXPECT_FALSE(tree.exists("docs/old.txt"));
    EXPECT_EQ(tree.read("docs/new.txt"), "content");
    EXPECT_THROW(engine().Rename(remote("docs"), "other.txt", "old.txt"), CFTPException);
    expectStillInStep();
}

TEST_P(RemoteCommandsOnServer, ChmodSetsTheModeOrIsRefusedCleanly)
{
    tree.write("a.txt", "x");
    fs::permissions(tree.path("a.txt"), fs::perms(0644));
    if (GetParam() == ServerKind::Vsftpd) {
        // vsftpd never grants SITE CHMOD to anonymous users.
        EXPECT_THROW(engine().Chmod(remote(), "a.txt", 0640), CFTPException);
        expectStillInStep();
        return;
    }
    engine().Chmod(remote(), "a.txt", 0640);
    struct stat info {};
    ASSERT_EQ(::stat(tree.path("a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    engine().Chmod(remote(), "a.txt", 5);
    ASSERT_EQ(::stat(tree.path("a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 05u);
}

TEST_P(RemoteCommandsOnServer, ChownIsRefusedCleanly)
{
    tree.write("f", "x");
    EXPECT_THROW(engine().Chown(remote(), "f", "nobody", "nogroup"), CFTPException);
    expectStillInStep();
}

VARNIX_ON_BOTH_SERVERS(RemoteCommandsOnServer);

// --- exact sequences, staged ---

void scriptLogin(ScriptedServer& s)
{
    s.greet("220 ready").reply("331 password").reply("230 in").reply("200 binary").reply("500 FEAT?");
}

struct ScriptedEngine {
    explicit ScriptedEngine(ScriptedServer& s) : h(s.host(), s.port())
    {
        h.set(Setting::RecvTimeout, 2);
        h.set(Setting::SendTimeout, 2);
        h.set(Setting::PasvMode, 1);
        h.set(Setting::Encryption, 0);
        h.engine.Connect();
    }
    EngineHarness h;
};

// The parent /pub is not cached, so each entry's ResolvePath asks again.
void scriptResolveVictim(ScriptedServer& s, const std::string& answer = "/pub/victim")
{
    s.reply("250 ok").reply("250 ok").reply("257 \"" + answer + "\" is the current directory");
}

std::vector<std::string> removals(const std::vector<std::string>& commands)
{
    std::vector<std::string> out;
    for (const auto& c : commands)
        if (c.starts_with("DELE ") || c.starts_with("RMD "))
            out.push_back(c);
    return out;
}

TEST(RemoteCommandsScripted, RemoveFolderDeletesFileAndLinkThenRecursesThenRemoves)
{
    ScriptedServer s;
    scriptLogin(s);
    scriptResolveVictim(s); // CWD /pub, CWD victim, PWD
    s.replyPasv().serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 file\r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 ../../etc/passwd\r\n"
                            "lrwxrwxrwx 1 o g 5 Jan 1 2001 ln -> /elsewhere\r\n"
                            "drwxr-xr-x 2 o g 0 Jan 1 2001 sub\r\n");
    s.reply("250 into the link").reply("250 back");
    scriptResolveVictim(s);
    s.reply("250 deleted");       // DELE file
    scriptResolveVictim(s);
    s.reply("250 deleted");       // DELE ln
    scriptResolveVictim(s);
    s.reply("250 ok").reply("257 \"/pub/victim/sub\""); // CWD sub, PWD
    s.replyPasv().serveData("");
    s.reply("250 ok").reply("250 removed");             // CWD /pub/victim, RMD sub
    s.reply("250 ok").reply("250 removed");             // CWD /pub, RMD victim
    s.start();
    ScriptedEngine e(s);

    e.h.engine.RemoveFolder("/pub", "victim");

    EXPECT_EQ(s.failure(), "");
    EXPECT_EQ(removals(s.commands()),
              (std::vector<std::string>{"DELE file", "DELE ln", "RMD sub", "RMD victim"}));
    auto sent = s.commands();
    EXPECT_EQ(sent.at(4), "CWD /pub");
    EXPECT_EQ(sent.back(), "RMD victim");
    EXPECT_EQ(sent.at(sent.size() - 2), "CWD /pub");
}

TEST(RemoteCommandsScripted, RefusedDeleStopsTheRemovalWithoutRmd)
{
    ScriptedServer s;
    scriptLogin(s);
    scriptResolveVictim(s);
    s.replyPasv().serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 a\r\n"
                            "-rw-r--r-- 1 o g 5 Jan 1 2001 b\r\n");
    scriptResolveVictim(s);
    s.reply("550 a: Permission denied");
    s.start();
    ScriptedEngine e(s);

    try {
        e.h.engine.RemoveFolder("/pub", "victim");
        FAIL() << "refused DELE not reported";
    } catch (const CFTPException& failure) {
        EXPECT_EQ(failure.GetErrorMessage(), "550 a: Permission denied\r\n");
    }
    EXPECT_TRUE(s.waitDone());
    EXPECT_EQ(removals(s.commands()), (std::vector<std::string>{"DELE a"}));
}

TEST(RemoteCommandsScripted, RemovalRefusesAFolderReportedUnderItsParentsPath)
{
    ScriptedServer s;
    scriptLogin(s);
    scriptResolveVictim(s, "/pub"); // the server claims "victim" is /pub itself
    s.replyPasv().serveData("-rw-r--r-- 1 o g 5 Jan 1 2001 precious\r\n"
                            "drwxr-xr-x 2 o g 0 Jan 1 2001 victim\r\n");
    s.reply("250 ok").reply("257 \"/pub\""); // CWD victim, PWD: /pub is cached now
    s.start();
    ScriptedEngine e(s);

    EXPECT_THROW(e.h.engine.RemoveFolder("/pub", "victim"), CFTPException);
    EXPECT_TRUE(s.waitDone());
    EXPECT_TRUE(removals(s.commands()).empty());
}

TEST(RemoteCommandsScripted, ModesAreOctalWithAtLeastThreeDigits)
{
    ScriptedServer s;
    scriptLogin(s);
    s.reply("250 ok").reply("200 ok").reply("200 ok").reply("200 ok").reply("200 ok");
    s.start();
    ScriptedEngine e(s);

    e.h.engine.Chmod("/pub", "a.txt", 0755);
    e.h.engine.Chmod("/pub", "a.txt", 5);
    e.h.engine.Chmod("/pub", "a.txt", 04755);
    e.h.engine.Chown("/pub", "f", "u", "g");

    auto sent = s.commands();
    ASSERT_EQ(sent.size(), 9u);
    EXPECT_EQ(sent[4], "CWD /pub");
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 5, sent.end()),
              (std::vector<std::string>{"SITE CHMOD 755 a.txt", "SITE CHMOD 005 a.txt", "SITE CHMOD 4755 a.txt",
                                        "SITE CHOWN u:g f"}));
}

TEST(RemoteCommandsScripted, RenameTakesAPendingAnswerToRnfrAndStopsAtARefusedRnto)
{
    ScriptedServer s;
    scriptLogin(s);
    s.reply("250 ok").reply("350 ready for destination").reply("250 renamed");
    s.reply("350 ready for destination").reply("553 not allowed");
    s.start();
    ScriptedEngine e(s);

    e.h.engine.Rename("/pub", "new", "old");
    EXPECT_THROW(e.h.engine.Rename("/pub", "bad", "new"), CFTPException);
    auto sent = s.commands();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 4, sent.end()),
              (std::vector<std::string>{"CWD /pub", "RNFR old", "RNTO new", "RNFR new", "RNTO bad"}));
}

} // namespace
} // namespace varnix::test
