#include "browser/qt/dialogs/PlainFtpDialog.h"

#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using testing::findNamed;

// Disconnect unless the person clicks to go on; the box makes it for good.
TEST(PlainFtpDialog, GoesOnOnlyWhenTold)
{
    struct Step {
        Qt::Key key;           // or, with none, a click on "Continue in Plain FTP"
        bool tick;
        PlainFtpAnswer answer;
    };
    const Step steps[] = {
        {Qt::Key_Escape, true, PlainFtpAnswer::Disconnect},
        {Qt::Key_Return, false, PlainFtpAnswer::Disconnect},   // Disconnect is the default button
        {Qt::Key_unknown, false, PlainFtpAnswer::Continue},
        {Qt::Key_unknown, true, PlainFtpAnswer::AlwaysAllow},
    };
    DialogPlainFtpAsker asker([] { return nullptr; });
    for (const Step& step : steps) {
        testing::whenModal([&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "Varnix - No Encryption");
            EXPECT_TRUE(d->findChild<QLabel*>()->text().contains("bob@ftp.example.org:21 does not offer TLS"));
            if (step.tick)
                findNamed<QCheckBox>(d, "Always allow plain FTP for this site")->setChecked(true);
            if (step.key != Qt::Key_unknown)
                QTest::keyClick(d, step.key);
            else
                QTest::mouseClick(findNamed<QAbstractButton>(d, "Continue in Plain FTP"), Qt::LeftButton);
        });
        EXPECT_EQ(asker.ask("bob@ftp.example.org:21"), step.answer);
    }
}

} // namespace
} // namespace varnix
