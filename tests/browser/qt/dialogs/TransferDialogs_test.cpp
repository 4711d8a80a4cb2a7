#include "browser/qt/dialogs/ConfirmActionDialog.h"
#include "browser/qt/dialogs/LoginPromptDialog.h"
#include "browser/qt/dialogs/PropertiesDialog.h"
#include "browser/qt/dialogs/RenameDialog.h"

#include "platform/Profile.h"
#include "site/LoginRegistry.h"
#include "support/qt/ModalDriver.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

void press(QAbstractButton* button)
{
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
}

struct ConfirmAction : ::testing::Test {
    QAbstractButton* control(const char* name) { return findNamed<QAbstractButton>(dialog.get(), name); }
    std::string checked()
    {
        std::string out;
        for (const char* name : {"Resume", "Overwrite", "Rename", "Only transfer newer", "Use for all selected"})
            out += control(name)->isChecked() ? '1' : '0';
        return out;
    }
    ConflictChoice choice = ConflictChoice::forCommand(false);
    std::unique_ptr<ConfirmActionDialog> dialog;
    void open()
    {
        dialog = std::make_unique<ConfirmActionDialog>(choice, "/pub/a.txt");
        dialog->show();
    }
};

TEST_F(ConfirmAction, ClicksFollowTheRecordsRules)
{
    choice.skip = 1;
    choice.action = ConflictResume;
    open();
    EXPECT_EQ(dialog->windowTitle(), "Varnix - Confirm Action");
    EXPECT_TRUE(findNamed<QLabel>(dialog.get(), "/pub/a.txt already exists"));
    EXPECT_EQ(choice.skip, 0);
    EXPECT_EQ(checked(), "10000");
    press(control("Only transfer newer"));  // selects Overwrite
    EXPECT_EQ(checked(), "01010");
    press(control("Rename"));  // and clears it again
    EXPECT_EQ(checked(), "00100");
    press(control("Only transfer newer"));
    press(control("Use for all selected"));
    EXPECT_EQ(checked(), "01011");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);  // Cancel keeps the choices and skips
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(choice.action, ConflictOverwrite);
    EXPECT_EQ(choice.onlyNewer, 1);
    EXPECT_EQ(choice.applyToAll, 1);
    EXPECT_EQ(choice.skip, 1);
}

TEST_F(ConfirmAction, ASingleItemIsNotOfferedForAll)
{
    choice = ConflictChoice::forCommand(true);
    open();
    EXPECT_FALSE(control("Use for all selected")->isEnabled());
    press(control("Resume"));
    QTest::keyClick(dialog.get(), Qt::Key_Enter);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(choice.action, ConflictResume);
    EXPECT_EQ(choice.applyToAll, -1);
    EXPECT_EQ(choice.skip, 0);
}

TEST(LoginPrompt, WritesTheSharedLoginOnOkOnly)
{
    MemoryProfile profile;
    LoginRegistry logins;
    SiteHandle site = makeLocked<SiteContext>("ftp.example.org", "2121", "bob", "old", logins, profile);
    SiteHandle sameLogin = makeLocked<SiteContext>("ftp.example.org", "2121", "bob", "old", logins, profile);
    DialogLoginPrompt prompt([] { return nullptr; });

    auto answer = [](QWidget* d, const char* user, Qt::Key key) {
        EXPECT_EQ(d->windowTitle(), "Varnix - ftp.example.org:2121 - Login Prompt");
        EXPECT_TRUE(findNamed<QLabel>(d, "530 Login incorrect."));
        auto* name = findNamed<QLineEdit>(d, "Username:");
        EXPECT_EQ(name->text(), "bob");
        EXPECT_EQ(findNamed<QLineEdit>(d, "Password:")->echoMode(), QLineEdit::Password);
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, user);
        QTest::keyClick(name, key);
    };
    whenModal([&](QWidget* d) { answer(d, "alice", Qt::Key_Escape); });
    EXPECT_FALSE(prompt.ask(site, "530 Login incorrect."));
    EXPECT_EQ(LockedAccess<SiteContext>(sameLogin)->identity(), "bob@ftp.example.org:2121");

    // An empty user name is kept empty; the site then logs in anonymously.
    whenModal([&](QWidget* d) { answer(d, "", Qt::Key_Enter); });
    EXPECT_TRUE(prompt.ask(site, "530 Login incorrect."));
    EXPECT_EQ(LockedAccess<SiteContext>(sameLogin)->identity(), "anonymous@ftp.example.org:2121");
    EXPECT_EQ(LockedAccess<SiteContext>(sameLogin)->loginCopy().password, "old");
}

TEST(RenameAndProperties, ReturnWhatWasTypedAndTouchOnlyTheirBits)
{
    whenModal([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Varnix - Rename");
        auto* name = findNamed<QLineEdit>(d, "Name");
        name->end(false);
        QTest::keyClicks(name, " (2) ");
        QTest::keyClick(name, Qt::Key_Enter);
    });
    EXPECT_EQ(RenameDialog::ask(nullptr, std::string("caf\xe9", 4)), std::string("caf\xc3\xa9 (2) "));
    whenModal([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_FALSE(RenameDialog::ask(nullptr, "a"));

    std::string boxes;
    whenModal([&](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Varnix - Properties");
        for (auto* group : d->findChildren<QGroupBox*>())
            for (auto* box : group->findChildren<QCheckBox*>())
                boxes += box->isChecked() ? box->text().front().toLatin1() : '-';
        QTest::keyClick(d, Qt::Key_Enter);
    });
    EXPECT_EQ(PropertiesDialog::ask(nullptr, {"root", "wheel", 0755}), (FileProperties{"root", "wheel", 0755}));
    EXPECT_EQ(boxes, "RWER-ER-E");

    whenModal([](QWidget* d) {
        press(findNamed<QCheckBox>(findNamed<QGroupBox>(d, "Public permissions"), "Read"));
        press(findNamed<QCheckBox>(findNamed<QGroupBox>(d, "Group permissions"), "Write"));
        auto* owner = findNamed<QLineEdit>(d, "Owner:");
        owner->selectAll();
        QTest::keyClicks(owner, "ann");
        QTest::keyClick(owner, Qt::Key_Return);
    });
    EXPECT_EQ(PropertiesDialog::ask(nullptr, {"root", "wheel", 04755}), (FileProperties{"ann", "wheel", 04771}));
}

} // namespace
} // namespace varnix
