#include "site/qt/SiteManager.h"
#include "site/qt/SiteManagerDialog.h"
#include "site/qt/SiteTree.h"

#include "platform/Profile.h"
#include "site/LoginRegistry.h"
#include "support/qt/ModalDriver.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace varnix {
namespace {

using testing::findNamed;
using testing::whenModal;

SiteEntry entry(std::string label, int parent, bool folder = false)
{
    SiteEntry e = folder ? SiteEntry::newFolder() : SiteEntry::newSite();
    e.label = std::move(label);
    e.parent = parent;
    if (!folder)
        e.host = e.label + ".example.org";
    return e;
}

//  0 Work/ 1 Servers/ 2 build;  3 home;  4 Play/ 5 games
SiteList sampleTree()
{
    return SiteList({entry("Work", -1, true), entry("Servers", 0, true), entry("build", 1), entry("home", -1),
                     entry("Play", -1, true), entry("games", 4)});
}

std::vector<std::string> labels(const SiteList& list)
{
    std::vector<std::string> out;
    for (const SiteEntry& e : list.entries())
        out.push_back(e.label + "<" + std::to_string(e.parent));
    return out;
}

class SiteManagerTest : public ::testing::Test {
protected:
    void open(std::optional<SiteEntry> added = std::nullopt)
    {
        edit = std::make_unique<SiteListEdit>(list, std::move(added));
        dialog = std::make_unique<SiteManagerDialog>(*edit, profile, logins);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        tree = dialog->findChild<SiteTree*>();
    }
    QLineEdit* field(const char* label) { return findNamed<QLineEdit>(dialog.get(), label); }
    QCheckBox* anonymous() { return findNamed<QCheckBox>(dialog.get(), "Anonymous Login"); }
    QPoint at(int index) { return tree->visualItemRect(tree->itemOf(index)).center(); }
    void click(int index) { QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at(index)); }
    void type(const char* label, const char* text)
    {
        field(label)->setFocus();
        QTest::keyClicks(field(label), text);
    }
    // Right-clicks `index` (or empty space) and picks `command` from the menu that opens.
    void contextCommand(std::optional<int> index, const QString& command)
    {
        QPoint where = index ? at(*index) : QPoint(5, tree->viewport()->height() - 5);
        QTimer::singleShot(50, [command] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            for (QAction* a : menu->actions())
                if (a->text() == command)
                    menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, where, tree->viewport()->mapToGlobal(where));
        QApplication::sendEvent(tree->viewport(), &event);
    }

    MemoryProfile profile;
    LoginRegistry logins;
    SiteList list = sampleTree();
    std::unique_ptr<SiteListEdit> edit;
    std::unique_ptr<SiteManagerDialog> dialog;
    SiteTree* tree = nullptr;
};

TEST_F(SiteManagerTest, FieldsFollowTheSelectionAndTheLoginRules)
{
    open();
    EXPECT_EQ(tree->currentItem()->text(0), "games");  // the last entry
    EXPECT_EQ(field("Host:")->text(), "games.example.org");
    EXPECT_TRUE(anonymous()->isChecked());

    click(4);  // a folder: only its label and comment
    EXPECT_TRUE(field("Label:")->isEnabled());
    EXPECT_FALSE(field("Host:")->isEnabled());
    EXPECT_FALSE(findNamed<QAbstractButton>(dialog.get(), "Settings...")->isEnabled());

    click(3);
    type("Label:", " base");
    EXPECT_EQ(tree->itemOf(3)->text(0), "home base");  // the tree follows as it is typed
    type("Username:", "Bob");
    EXPECT_EQ(field("Username:")->text(), "bob");
    EXPECT_FALSE(anonymous()->isChecked());
    type("Host:", "Mirror");
    type("Port:", "x21");
    EXPECT_EQ(field("Port:")->text(), "2121");
    type("Password:", "pw");
    EXPECT_EQ(field("Password:")->echoMode(), QLineEdit::Password);

    click(5);  // leaving the entry stores it
    EXPECT_EQ(edit->entry(3).username, "bob");
    EXPECT_EQ(edit->entry(3).host, "home.example.orgmirror");

    click(3);
    QTest::mouseClick(anonymous(), Qt::LeftButton, {}, QPoint(anonymous()->height() / 2, anonymous()->height() / 2));
    EXPECT_EQ(field("Username:")->text(), "");
    EXPECT_EQ(edit->entry(3).password, "");
    QTest::keyClick(field("Label:"), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(edit->rebuilt()[3].label, "home base");
}

TEST_F(SiteManagerTest, TreeCommandsEditTheCopy)
{
    open();
    click(0);
    ASSERT_TRUE(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_Delete);  // the folder with everything in it
    EXPECT_FALSE(tree->itemOf(2));

    contextCommand(5, "New Site");  // beside games, in Play
    ASSERT_TRUE(tree->editing());
    QWidget* editor = QApplication::focusWidget();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "fresh");
    QTest::keyClick(editor, Qt::Key_Return);  // ends the editing, not the dialog
    QApplication::processEvents();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->entry(6).label, "fresh");
    EXPECT_EQ(field("Label:")->text(), "fresh");

    contextCommand(std::nullopt, "New Folder");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);  // keeps "New Folder"
    EXPECT_TRUE(dialog->isVisible());

    click(3);
    QTest::keyClick(tree, Qt::Key_F2);
    EXPECT_TRUE(tree->editing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

    QTest::keyClick(tree, Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(labels(edit->rebuilt()),
              (std::vector<std::string>{"home<-1", "Play<-1", "games<1", "fresh<1", "New Folder<-1"}));
}

TEST_F(SiteManagerTest, DraggingMovesEntriesWhereTheRulesAllow)
{
    open();
    // Each drop refills the tree, collapsed; a person opens the folders again.
    auto drag = [&](int from, int onto) {
        tree->expandAll();
        QPoint to = onto >= 0 ? at(onto) : QPoint(5, tree->viewport()->height() - 5);
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at(from));
        QTest::mouseMove(tree->viewport(), at(from) + QPoint(0, 20));
        QTest::mouseMove(tree->viewport(), to);
        QBrush shown = tree->itemAt(to) ? tree->itemAt(to)->background(0) : QBrush();
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, to);
        return shown.style() != Qt::NoBrush;
    };
    EXPECT_FALSE(drag(0, 1));  // Work onto its own subfolder: not a target, so to the top
    EXPECT_EQ(edit->entry(0).parent, -1);
    EXPECT_TRUE(drag(5, 1));   // games into Servers
    EXPECT_EQ(edit->entry(5).parent, 1);
    EXPECT_EQ(tree->currentItem()->text(0), "games");
    EXPECT_FALSE(drag(2, 1));  // build over its own parent
    EXPECT_EQ(edit->entry(2).parent, -1);
    EXPECT_TRUE(drag(4, 0));
    EXPECT_FALSE(drag(4, -1));  // empty space: back to the top
    EXPECT_EQ(labels(edit->rebuilt()), (std::vector<std::string>{"Work<-1", "Servers<0", "games<1", "build<-1",
                                                                 "home<-1", "Play<-1"}));
}

TEST_F(SiteManagerTest, OkReplacesTheListAndTheMenuCancelKeepsThem)
{
    std::vector<std::string> opened;
    SiteManager manager(list, profile, logins, [&](const SiteEntry& e) { opened.push_back(e.label); });
    QMenu sites;
    sites.addAction("&Site Manager...\tF4");
    manager.setSitesMenu(&sites);
    ASSERT_EQ(sites.actions().size(), 5);
    EXPECT_TRUE(sites.actions()[1]->isSeparator());
    QMenu* play = sites.actions()[4]->menu<QMenu*>();
    ASSERT_TRUE(play);
    EXPECT_EQ(play->actions()[0]->data().toInt(), 57338);
    play->actions()[0]->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{"games"});

    whenModal([](QWidget* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_FALSE(manager.open(nullptr));
    EXPECT_EQ(list.size(), 6u);

    whenModal([](QWidget* d) {
        auto* t = d->findChild<SiteTree*>();
        t->setFocus();
        for (int top : {0, 3, 4}) {
            t->setCurrentItem(t->itemOf(top));
            QTest::keyClick(t, Qt::Key_Delete);
        }
        QTest::mouseClick(findNamed<QAbstractButton>(d, "OK"), Qt::LeftButton);
    });
    EXPECT_TRUE(manager.open(nullptr));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(sites.actions().size(), 1);  // no separator below "Site Manager..."
}

TEST_F(SiteManagerTest, ABookmarkIsSelectedAndItsSettingsOpenOnATemporarySite)
{
    SiteManager manager(list, profile, logins, nullptr);
    SiteHandle site = makeLocked<SiteContext>("ftp.example.org", "2121", "", "", logins, profile);
    QString sheetTitle;
    whenModal([&](QWidget* d) {
        EXPECT_EQ(d->findChild<SiteTree*>()->currentItem()->text(0), "anonymous@ftp.example.org:2121");
        EXPECT_TRUE(findNamed<QCheckBox>(d, "Anonymous Login")->isChecked());
        whenModal([&](QWidget* sheet) {
            sheetTitle = sheet->windowTitle();
            QTest::keyClick(sheet, Qt::Key_Escape);
        });
        QTest::mouseClick(findNamed<QAbstractButton>(d, "Settings..."), Qt::LeftButton);
        QTest::keyClick(findNamed<QLineEdit>(d, "Default Directory:"), Qt::Key_Enter);
    });
    EXPECT_TRUE(manager.bookmark(nullptr, site, "/pub"));
    EXPECT_EQ(sheetTitle, "anonymous@ftp.example.org:2121 Settings");
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[6].directory, "/pub");
}

} // namespace
} // namespace varnix
