#include "session/CertificateTrust.h"

#include "platform/MainLoopDispatcher.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <thread>

namespace varnix {
namespace {

const std::string kOld = "11:22:33:44:55:66:77:88:99:00:AA:BB:CC:DD:EE:FF:11:22:33:44:55:66:77:88:99:00:AA:BB:CC:DD:EE:FF";
const std::string kNew = "AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99";

struct ScriptedAsker : CertificateAsker {
    TrustAnswer ask(const std::string& identity, const CertificateInfo&) override
    {
        asked.push_back(identity);
        askedOn = std::this_thread::get_id();
        return answer;
    }
    void changed(const std::string&, const std::string& accepted, const CertificateInfo& certificate) override
    {
        told.push_back(accepted + " -> " + certificate.fingerprint);
    }
    TrustAnswer answer = TrustAnswer::Refuse;
    std::vector<std::string> asked;
    std::vector<std::string> told;   // changed certificates shown, "accepted -> offered"
    std::thread::id askedOn;
};

CertificateInfo offered(const std::string& fingerprint)
{
    return {"CN = h", "CN = h", "2026-01-01 00:00:00 UTC", "2027-01-01 00:00:00 UTC", fingerprint,
            "self-signed certificate"};
}

TEST(CertificateTrust, DecidesFromWhatIsStoredAndWhatTheUserSays)
{
    struct Case {
        const char* name;
        std::string stored;        // under "bob@h:21" before the question
        TrustAnswer answer;
        bool accepted;
        bool asked;
        std::string storedAfter;
    };
    const Case cases[] = {
        {"unknown, refused", "", TrustAnswer::Refuse, false, true, ""},
        {"unknown, accepted once", "", TrustAnswer::AcceptOnce, true, true, ""},
        {"unknown, accepted for good", "", TrustAnswer::AcceptForGood, true, true, kNew},
        {"stored and the same", kNew, TrustAnswer::Refuse, true, false, kNew},
        {"stored and changed", kOld, TrustAnswer::AcceptForGood, false, false, kOld},
    };
    for (const Case& c : cases) {
        MemoryProfile profile;
        if (!c.stored.empty())
            profile.writeString("Certificates", "bob@h:21", c.stored);
        ScriptedAsker asker;
        asker.answer = c.answer;
        CertificateTrust trust(profile, asker);
        CertificateVerdict verdict = trust.check("Bob@H:21", offered(kNew));   // the key ignores case
        EXPECT_EQ(verdict.accepted, c.accepted) << c.name;
        EXPECT_EQ(!asker.asked.empty(), c.asked) << c.name;
        EXPECT_EQ(profile.readString("Certificates", "bob@h:21", ""), c.storedAfter) << c.name;
        if (!c.accepted) {
            EXPECT_NE(verdict.refusal.find(kNew), std::string::npos) << c.name << ": " << verdict.refusal;
        }
    }
}

TEST(CertificateTrust, AChangedCertificateIsRefusedNamingBothFingerprints)
{
    MemoryProfile profile;
    profile.writeString("Certificates", "bob@h:21", kOld);
    ScriptedAsker asker;
    CertificateTrust trust(profile, asker);
    std::string refusal = trust.check("bob@h:21", offered(kNew)).refusal;
    EXPECT_NE(refusal.find("HAS CHANGED"), std::string::npos) << refusal;
    EXPECT_LT(refusal.find(kOld), refusal.find(kNew)) << refusal;
    EXPECT_EQ(asker.told, std::vector<std::string>{kOld + " -> " + kNew});
    // Named up front (varnix-cli --trust, in any case and without colons), it passes.
    std::string typed = kNew;
    std::erase(typed, ':');
    std::transform(typed.begin(), typed.end(), typed.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    trust.acceptForThisRun(typed);
    EXPECT_TRUE(trust.check("bob@h:21", offered(kNew)).accepted);
    EXPECT_TRUE(trust.check("other@h:21", offered(kNew)).accepted);
    EXPECT_TRUE(asker.asked.empty());
}

TEST(CertificateTrust, AcceptedOnceHoldsForTheSiteUntilTheRunEnds)
{
    MemoryProfile profile;
    ScriptedAsker asker;
    asker.answer = TrustAnswer::AcceptOnce;
    CertificateTrust trust(profile, asker);
    EXPECT_TRUE(trust.check("bob@h:21", offered(kNew)).accepted);
    EXPECT_TRUE(trust.check("bob@h:21", offered(kNew)).accepted);
    asker.answer = TrustAnswer::Refuse;
    EXPECT_FALSE(trust.check("bob@h:21", offered(kOld)).accepted);   // another certificate is asked about
    EXPECT_FALSE(trust.check("eve@h:21", offered(kNew)).accepted);   // and so is another site
    EXPECT_EQ(asker.asked.size(), 3u);
    EXPECT_FALSE(trust.check("bob@h:21", offered("")).accepted);      // no certificate at all
    EXPECT_EQ(asker.asked.size(), 3u);
}

TEST(CertificateTrust, TheQuestionIsPutOnTheUiThread)
{
    MemoryProfile profile;
    ScriptedAsker asker;
    asker.answer = TrustAnswer::AcceptOnce;
    CertificateTrust trust(profile, asker);
    MainLoopDispatcher ui;
    bool accepted = false;
    std::thread worker([&] { accepted = trust.check("bob@h:21", offered(kNew)).accepted; });
    ui.runUntil([&] { return !asker.asked.empty(); }, std::chrono::seconds(10));
    worker.join();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(asker.askedOn, std::this_thread::get_id());
}

} // namespace
} // namespace varnix
