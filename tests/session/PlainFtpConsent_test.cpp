// A site that would use TLS when offered, on a server without it: the
// question comes once per site and run, "Always allow" is kept in the
// profile, and a refusal sends no password.

#include "session/PlainFtpConsent.h"

#include "support/HasLine.h"
#include "support/SessionHarness.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varnix {
namespace {

using test::FtpServer;
using test::ServerKind;

struct ScriptedAsker : PlainFtpAsker {
    PlainFtpAnswer ask(const std::string& identity) override
    {
        asked.push_back(identity);
        return answer;
    }
    PlainFtpAnswer answer = PlainFtpAnswer::Disconnect;
    std::vector<std::string> asked;
};

// The consent the engine consults while it lives.
struct Installed {
    explicit Installed(PlainFtpCheck& check) { installPlainFtpCheck(&check); }
    ~Installed() { installPlainFtpCheck(nullptr); }
};

class PlainFtpOnServer : public ::testing::Test {
protected:
    PlainFtpOnServer() : server(ServerKind::Pyftpdlib, tree.root(), named()) {}

    static test::ServerOptions named()
    {
        test::ServerOptions options;
        options.anonymous = false;
        return options;
    }
    // Lists the root on `sessions` new connections at once; their outcomes.
    std::vector<SessionNotice> connect(int sessions)
    {
        SiteHandle site = harness.site(server, "tester", "secret");
        std::vector<CFTPSession*> started;
        for (int i = 0; i < sessions; ++i)
            started.push_back(harness.session(site));
        for (CFTPSession* s : started)
            s->List(server.remotePath(), "");
        std::vector<SessionNotice> outcomes;
        for (CFTPSession* s : started)
            outcomes.push_back(harness.outcome(s));
        return outcomes;
    }
    std::size_t passwordsSent() const
    {
        auto log = server.commandLog();
        return std::size_t(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("PASS"); }));
    }
    std::string identity() const { return "tester@127.0.0.1:" + std::to_string(server.port()); }

    test::TempTree tree;
    FtpServer server;
    test::SessionHarness harness;
    ScriptedAsker asker;
};

TEST_F(PlainFtpOnServer, ARefusalDisconnectsBeforeThePasswordAndAsksAgainNextTime)
{
    PlainFtpConsent consent(harness.profile, asker);
    Installed installed(consent);
    SessionNotice refused = connect(1).front();
    EXPECT_EQ(refused.kind, NoticeFailed);
    EXPECT_NE(refused.text.find("plain FTP was refused: no user name or password was sent"), std::string::npos)
        << refused.text;
    EXPECT_EQ(passwordsSent(), 0u);
    EXPECT_FALSE(test::hasLine(server.commandLog(), "USER tester"));
    EXPECT_TRUE(test::hasLine(harness.target.texts(NoticeStatus), kPlainFtpWarning));
    EXPECT_EQ(asker.asked, std::vector<std::string>{identity()});

    // Going on this time holds for the rest of the run: the queue's
    // connections to the site log in without a question.
    asker.answer = PlainFtpAnswer::Continue;
    for (const SessionNotice& outcome : connect(3))
        EXPECT_EQ(outcome.kind, NoticeDone) << outcome.text;
    EXPECT_EQ(asker.asked.size(), 2u);
    EXPECT_EQ(passwordsSent(), 3u);
    EXPECT_EQ(harness.profile.readInt("PlainFtp", identity(), 0), 0u);
}

TEST_F(PlainFtpOnServer, AlwaysAllowIsKeptForTheSiteInTheProfile)
{
    {
        asker.answer = PlainFtpAnswer::AlwaysAllow;
        PlainFtpConsent consent(harness.profile, asker);
        Installed installed(consent);
        EXPECT_EQ(connect(1).front().kind, NoticeDone);
    }
    EXPECT_EQ(harness.profile.readInt("PlainFtp", identity(), 0), 1u);
    // The next run asks nothing.
    asker.answer = PlainFtpAnswer::Disconnect;
    PlainFtpConsent later(harness.profile, asker);
    Installed installed(later);
    EXPECT_EQ(connect(1).front().kind, NoticeDone);
    EXPECT_EQ(asker.asked.size(), 1u);
}

} // namespace
} // namespace varnix
