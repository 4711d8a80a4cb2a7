#include "site/qt/SettingsSheet.h"

#include "platform/Profile.h"
#include "site/LoginRegistry.h"
#include "support/qt/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

class SettingsSheetTest : public ::testing::Test {
protected:
    QLineEdit* field(QWidget* sheet, const char* label) { return findNamed<QLineEdit>(sheet, label); }

    void openPage(QWidget* sheet, const char* title)
    {
        auto* tabs = sheet->findChild<QTabBar*>();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == title)
                QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
    }

    void retype(QLineEdit* edit, const char* text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Clicks a check box on its box, where a person aims; returns its new state.
    bool tick(QWidget* sheet, const char* label)
    {
        auto* box = findNamed<QCheckBox>(sheet, label);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
        return box->isChecked();
    }

    // Presses the button and answers the message box that comes up; returns its text.
    QString refusal(std::function<void()> press)
    {
        QString text;
        whenModal([&](QWidget* box) {
            text = qobject_cast<QMessageBox*>(box)->text();
            QTest::keyClick(box, Qt::Key_Enter);
        });
        press();
        return text;
    }

    MemoryProfile profile;
    LoginRegistry logins;
    SettingsRecord global;
    SiteHandle site = makeLocked<SiteContext>("Example.org", "21", "", "", logins, profile, global);
};

TEST_F(SettingsSheetTest, SiteSheetShowsInheritedValuesAndSavesOnlyWhatDiffers)
{
    global.setRetryCount(3);
    SettingsSheet sheet(site, profile);
    sheet.show();
    EXPECT_EQ(sheet.windowTitle(), "anonymous@Example.org:21 Settings");
    QStringList titles;
    for (int i = 0; i < sheet.findChild<QTabBar*>()->count(); ++i)
        titles << sheet.findChild<QTabBar*>()->tabText(i);
    EXPECT_EQ(titles, QStringList({"General", "Persistance", "Keep Alive", "Advanced"}));
    EXPECT_EQ(field(&sheet, "Password for anonymous ftp:")->text(), "rover@");

    openPage(&sheet, "Persistance");
    EXPECT_EQ(field(&sheet, "Retry Attempts:")->text(), "3");
    QLineEdit* send = field(&sheet, "Send Timeout (secs):");
    retype(send, "5x");  // the field takes digits only
    EXPECT_EQ(send->text(), "5");
    QTest::keyClick(send, Qt::Key_Enter);

    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(profile.readInt("Settings", "anonymous@example.org:21-SendTimeout", 0), 5u);
    EXPECT_EQ(profile.readInt("Settings", "anonymous@example.org:21-RetryCount", 0), SettingsRecord::kUnset);
    EXPECT_EQ(profile.readString("Settings", "anonymous@example.org:21-AnonymousPassword", "?"), "");
    EXPECT_FALSE(profile.contains("Settings", "SendTimeout"));
    global.setRetryCount(8);
    EXPECT_EQ(LockedAccess<SiteContext>(site)->settings().retryCount(), 8u);
}

TEST_F(SettingsSheetTest, EncryptionIsChosenFromAListOnTheAdvancedPage)
{
    SettingsSheet sheet(site, profile);
    sheet.show();
    openPage(&sheet, "Advanced");
    auto* combo = findNamed<QComboBox>(&sheet, "Encryption:");
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->currentText(), "Use explicit TLS if the server offers it");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentText(), "Implicit TLS (FTPS)");
    QTest::mouseClick(findNamed<QPushButton>(&sheet, "OK"), Qt::LeftButton);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(profile.readInt("Settings", "anonymous@example.org:21-Encryption", 0), 3u);
    EXPECT_EQ(LockedAccess<SiteContext>(site)->settings().encryptionMode(), EncryptionMode::Implicit);
}

TEST_F(SettingsSheetTest, RefusedFieldsKeepTheSheetOpenUntilMended)
{
    SettingsSheet sheet(global, profile);
    sheet.show();
    EXPECT_EQ(sheet.windowTitle(), "Global Settings");
    auto* ok = findNamed<QAbstractButton>(&sheet, "OK");
    openPage(&sheet, "Persistance");
    retype(field(&sheet, "Send Timeout (secs):"), "0");
    EXPECT_EQ(refusal([&] { QTest::mouseClick(ok, Qt::LeftButton); }),
              "Please enter an integer between 1 and 4294967294.");
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(field(&sheet, "Send Timeout (secs):")->hasSelectedText());

    retype(field(&sheet, "Send Timeout (secs):"), "7");
    retype(field(&sheet, "Receive Timeout (secs):"), "soon");
    EXPECT_EQ(refusal([&] { openPage(&sheet, "Keep Alive"); }), "Please enter a positive integer.");
    EXPECT_EQ(sheet.findChild<QTabBar*>()->currentIndex(), 1);

    retype(field(&sheet, "Receive Timeout (secs):"), "9");
    retype(field(&sheet, "Retry Attempts:"), "0");
    openPage(&sheet, "Advanced");
    tick(&sheet, "Try PASV mode first");
    openPage(&sheet, "General");
    EXPECT_FALSE(tick(&sheet, "Verify copies with the server's hashes"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(global.sendTimeout(), 7u);
    EXPECT_EQ(global.recvTimeout(), 9u);
    EXPECT_EQ(global.retryCount(), 0u);
    EXPECT_EQ(global.pasvMode(), 0u);
    EXPECT_EQ(global.verify(), 0u);
    EXPECT_EQ(profile.readInt("Settings", "RetryCount", 99), 0u);
    EXPECT_EQ(profile.readInt("Settings", "Verify", 99), 0u);
}

TEST_F(SettingsSheetTest, EscapeChangesNothing)
{
    SettingsSheet sheet(global, profile);
    sheet.show();
    openPage(&sheet, "General");
    EXPECT_FALSE(tick(&sheet, "Transfer files immediately by default"));
    retype(field(&sheet, "Password for anonymous ftp:"), "me@");
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
    EXPECT_EQ(global.transferNow(), 1u);
    EXPECT_EQ(global.anonymousPassword(), "rover@");
    EXPECT_FALSE(profile.contains("Settings", "TransferNow"));
}

// The sheet holds the site while it is open; a session needing a value waits.
TEST_F(SettingsSheetTest, ASessionWaitsForTheOpenSiteSheet)
{
    SettingsSheet sheet(site, profile);
    sheet.show();
    std::atomic<std::uint32_t> seen{0};
    std::thread session([&] { seen = LockedAccess<SiteContext>(site)->settings().sendTimeout(); });
    QTest::qWait(100);
    EXPECT_EQ(seen.load(), 0u);
    openPage(&sheet, "Persistance");
    retype(field(&sheet, "Send Timeout (secs):"), "42");
    QTest::keyClick(field(&sheet, "Send Timeout (secs):"), Qt::Key_Return);
    session.join();
    EXPECT_EQ(seen.load(), 42u);
}

} // namespace
} // namespace varnix
