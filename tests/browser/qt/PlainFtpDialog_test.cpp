#include "browser/qt/PlainFtpDialog.h"

#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

// Disconnect unless the person clicks to go on; the box makes it for good.
TEST(PlainFtpDialog, GoesOnOnlyWhenTold)
{
    auto click = [](const char* name) {
        return [name](QWidget* d) {
            auto* button = findNamed<QAbstractButton>(d, name);
            ASSERT_TRUE(button) << name;
            QTest::mouseClick(button, Qt::LeftButton);
        };
    };
    auto tickThen = [click](const char* name) {
        return [click, name](QWidget* d) {
            auto* box = findNamed<QCheckBox>(d, "Always allow plain FTP for this site");
            ASSERT_TRUE(box);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
            click(name)(d);
        };
    };
    auto key = [](Qt::Key k) { return [k](QWidget* d) { QTest::keyClick(d, k); }; };
    struct Step {
        std::function<void(QWidget*)> act;
        PlainFtpAnswer answer;
    };
    const Step steps[] = {
        {key(Qt::Key_Escape), PlainFtpAnswer::Disconnect},
        {key(Qt::Key_Return), PlainFtpAnswer::Disconnect},   // Disconnect is the default button
        {tickThen("Disconnect"), PlainFtpAnswer::Disconnect},
        {click("Continue in Plain FTP"), PlainFtpAnswer::Continue},
        {tickThen("Continue in Plain FTP"), PlainFtpAnswer::AlwaysAllow},
    };
    DialogPlainFtpAsker asker([] { return nullptr; });
    for (const Step& step : steps) {
        bool named = false;
        whenModal([&](QWidget* d) {
            EXPECT_EQ(d->windowTitle(), "Varnix - No Encryption");
            for (auto* label : d->findChildren<QLabel*>())
                named |= label->text().contains("bob@ftp.example.org:21 does not offer TLS");
            step.act(d);
        });
        EXPECT_EQ(asker.ask("bob@ftp.example.org:21"), step.answer);
        EXPECT_TRUE(named);
    }
}

} // namespace
} // namespace varnix
