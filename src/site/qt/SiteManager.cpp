#include "site/qt/SiteManager.h"

#include "platform/qt/DisplayText.h"
#include "settings/SitesMenu.h"
#include "site/SiteBookmark.h"
#include "site/qt/SiteManagerDialog.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>

namespace varnix {
namespace {

// A label is shown as typed: an ampersand is not a mnemonic here.
QString menuText(const std::string& label)
{
    return displayText(label).replace(u'&', QStringLiteral("&&"));
}

} // namespace

SiteManager::SiteManager(SiteList& list, Profile& profile, LoginRegistry& logins, OpenSite openSite)
    : list_(list), profile_(profile), logins_(logins), openSite_(std::move(openSite))
{
}

bool SiteManager::open(QWidget* parent, std::optional<SiteEntry> added)
{
    SiteListEdit edit(list_, std::move(added));
    SiteManagerDialog dialog(edit, profile_, logins_, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    list_ = edit.rebuilt();
    rebuildSitesMenu();
    return true;
}

bool SiteManager::bookmark(QWidget* parent, const SiteHandle& site, std::string_view directory)
{
    return open(parent, bookmarkEntry(site, directory));
}

void SiteManager::setSitesMenu(QMenu* menu)
{
    menu_ = menu;
    rebuildSitesMenu();
}

void SiteManager::rebuildSitesMenu()
{
    if (!menu_)
        return;
    QList<QAction*> actions = menu_->actions();
    for (qsizetype i = 1; i < actions.size(); ++i) {
        QAction* action = actions[i];
        menu_->removeAction(action);
        if (QMenu* sub = action->menu<QMenu*>(); sub && sub->parent() == menu_)
            delete sub;
        else if (action->parent() == menu_)
            delete action;
    }
    std::vector<SitesMenuItem> items = SitesMenu::build(list_);
    if (items.empty())
        return;
    menu_->addSeparator();
    QStyle* style = QApplication::style();
    std::function<void(QMenu*, const std::vector<SitesMenuItem>&)> add = [&](QMenu* into, const auto& level) {
        for (const SitesMenuItem& item : level) {
            if (item.folder) {
                QMenu* sub = into->addMenu(style->standardIcon(QStyle::SP_DirIcon), menuText(item.label));
                add(sub, item.items);
                continue;
            }
            int command = item.command;
            QAction* action = into->addAction(style->standardIcon(QStyle::SP_DriveNetIcon), menuText(item.label));
            action->setData(command);
            QObject::connect(action, &QAction::triggered, action, [this, command] { openCommand(command); });
        }
    };
    add(menu_, items);
}

void SiteManager::openCommand(int command) const
{
    if (auto index = SitesMenu::indexOf(command, list_); index && openSite_)
        openSite_(list_[*index]);
}

} // namespace varnix
