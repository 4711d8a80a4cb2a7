#include "browser/qt/dialogs/CertificateDialog.h"

#include "platform/Profile.h"
#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

const std::string kPrint = "AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99";

CertificateInfo selfSigned()
{
    return {"CN = ftp.example.org, O = Example", "CN = ftp.example.org, O = Example", "2026-01-01 00:00:00 UTC",
            "2027-01-01 00:00:00 UTC", kPrint, "self-signed certificate"};
}

// The whole road: the trust asks, the dialog shows the certificate, the
// person's answer decides and, for good, is stored for the site.
TEST(CertificateDialog, ShowsTheCertificateAndTheAnswerDecides)
{
    MemoryProfile profile;
    DialogCertificateAsker asker([] { return nullptr; });
    CertificateTrust trust(profile, asker);
    struct Step {
        std::function<void(QWidget*)> act;
        bool accepted;
    };
    auto click = [](const char* name) {
        return [name](QWidget* d) {
            auto* button = findNamed<QAbstractButton>(d, name);
            ASSERT_TRUE(button) << name;
            QTest::mouseClick(button, Qt::LeftButton);
        };
    };
    auto key = [](Qt::Key k) { return [k](QWidget* d) { QTest::keyClick(d, k); }; };
    const Step steps[] = {
        {key(Qt::Key_Escape), false},
        {key(Qt::Key_Return), false},   // Refuse is the default button
        {click("Refuse"), false},
        {click("Accept Once"), true},
    };
    int shown = 0;
    for (const Step& step : steps) {
        whenModal([&](QWidget* d) {
            ++shown;
            EXPECT_EQ(d->windowTitle(), "Varnix - Unknown Certificate");
            EXPECT_EQ(findNamed<QLabel>(d, "SHA-256 fingerprint:")->text().toStdString(), kPrint);
            EXPECT_EQ(findNamed<QLabel>(d, "Subject:")->text(), "CN = ftp.example.org, O = Example");
            EXPECT_EQ(findNamed<QLabel>(d, "Valid until:")->text(), "2027-01-01 00:00:00 UTC");
            bool saysWhy = false;
            for (auto* label : d->findChildren<QLabel*>())
                saysWhy |= label->text().contains("bob@ftp.example.org:21 is not trusted (self-signed certificate)");
            EXPECT_TRUE(saysWhy);
            step.act(d);
        });
        EXPECT_EQ(trust.check("bob@ftp.example.org:21", selfSigned()).accepted, step.accepted);
    }
    EXPECT_EQ(shown, 4);
    EXPECT_TRUE(trust.check("bob@ftp.example.org:21", selfSigned()).accepted);   // once: no second question
    EXPECT_EQ(profile.readString("Certificates", "bob@ftp.example.org:21", ""), "");

    whenModal(click("Accept for Good"));
    EXPECT_TRUE(trust.check("ann@ftp.example.org:21", selfSigned()).accepted);
    EXPECT_EQ(profile.readString("Certificates", "ann@ftp.example.org:21", ""), kPrint);
}

} // namespace
} // namespace varnix
