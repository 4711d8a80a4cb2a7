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

struct ScriptedAsker : PlainFtpAsker {
    PlainFtpAnswer ask(const std::string&) override
    {
        ++asked;
        return answer;
    }
    PlainFtpAnswer answer = PlainFtpAnswer::Disconnect;
    int asked = 0;
};

TEST(PlainFtpConsent, AsksOncePerSiteKeepsAlwaysAllowAndARefusalSendsNoPassword)
{
    test::TempTree tree;
    test::FtpServer server(test::ServerKind::Pyftpdlib, tree.root(), {.anonymous = false});
    test::SessionHarness harness;
    const std::string identity = "tester@127.0.0.1:" + std::to_string(server.port());
    ScriptedAsker asker;
    // Lists the root on `sessions` connections at once, as the queue's would: how many were done.
    auto connect = [&](PlainFtpConsent& consent, int sessions) {
        installPlainFtpCheck(&consent);
        SiteHandle site = harness.site(server, "tester", "secret");
        std::vector<CFTPSession*> started(std::size_t(sessions), nullptr);
        for (CFTPSession*& s : started)
            (s = harness.session(site))->List(server.remotePath(), "");
        int done = 0;
        for (CFTPSession* s : started)
            done += harness.outcome(s).kind == NoticeDone;
        installPlainFtpCheck(nullptr);
        return done;
    };
    auto passwords = [&] {
        auto log = server.commandLog();
        return std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("PASS"); });
    };

    PlainFtpConsent run(harness.profile, asker);
    EXPECT_EQ(connect(run, 1), 0);
    EXPECT_EQ(passwords(), 0);
    EXPECT_TRUE(test::hasLine(harness.target.texts(NoticeFailed),
                              "Listing contents of " + server.remotePath() + " failed: The server does not offer TLS, "
                              "and plain FTP was refused: no user name or password was sent"));
    EXPECT_TRUE(test::hasLine(harness.target.texts(NoticeStatus), kPlainFtpWarning));
    asker.answer = PlainFtpAnswer::Continue;
    EXPECT_EQ(connect(run, 3), 3);   // a refusal is asked again; going on holds for the run
    EXPECT_EQ(asker.asked, 2);
    EXPECT_EQ(harness.profile.readInt("PlainFtp", identity, 0), 0u);

    asker.answer = PlainFtpAnswer::AlwaysAllow;
    PlainFtpConsent second(harness.profile, asker);
    EXPECT_EQ(connect(second, 1), 1);
    EXPECT_EQ(harness.profile.readInt("PlainFtp", identity, 0), 1u);
    asker.answer = PlainFtpAnswer::Disconnect;
    PlainFtpConsent third(harness.profile, asker);   // a later run
    EXPECT_EQ(connect(third, 1), 1);
    EXPECT_EQ(asker.asked, 3);
}

} // namespace
} // namespace varnix
