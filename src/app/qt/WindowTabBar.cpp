#include "app/qt/WindowTabBar.h"

#include "browser/qt/ChildWindow.h"
#include "platform/qt/DisplayText.h"

#include <QContextMenuEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <algorithm>

namespace varnix {
namespace {

enum Icon { LocalIcon, RemoteIcon };

int iconOf(QMdiSubWindow* window)
{
    auto* child = qobject_cast<ChildWindow*>(window->widget());
    return child && child->kind() == ChildWindow::Kind::Remote ? RemoteIcon : LocalIcon;
}

} // namespace

WindowTabBar::WindowTabBar(QMdiArea& area, QWidget* parent) : QTabBar(parent), area_(area)
{
    setObjectName(QStringLiteral("WindowTabs"));
    setAccessibleName(tr("Window Tabs"));
    setFocusPolicy(Qt::NoFocus);
    setDocumentMode(true);
    setExpanding(false);
    setDrawBase(false);
    setElideMode(Qt::ElideRight);
    setUsesScrollButtons(true);
    connect(this, &QTabBar::currentChanged, this, &WindowTabBar::selected);
    connect(this, &QTabBar::tabBarDoubleClicked, this, [this](int) {
        if (QMdiSubWindow* window = windowAt(currentIndex()))
            window->showMaximized();
    });
}

void WindowTabBar::follow()
{
    QList<QMdiSubWindow*> stacked = area_.subWindowList(QMdiArea::StackingOrder);
    // The active window counts as topmost even while another is raised for a moment.
    if (QMdiSubWindow* active = area_.activeSubWindow()) {
        stacked.removeAll(active);
        stacked.append(active);
    }
    std::vector<WindowTabs::Tab> windows;
    for (auto it = stacked.rbegin(); it != stacked.rend(); ++it)
        windows.push_back({reinterpret_cast<WindowTabs::WindowId>(*it), bytesOf((*it)->windowTitle()),
                           iconOf(*it)});

    following_ = true;
    WindowTabs::Changes changes = tabs_.update(windows);
    for (int index : changes.removed)
        removeTab(index);
    // Kept tabs come first, in their places; added ones follow.
    for (int index = 0; index < int(tabs_.tabs().size()); ++index) {
        const WindowTabs::Tab& tab = tabs_.tabs()[std::size_t(index)];
        if (index < count()) {
            setTabText(index, displayText(tab.caption));
            continue;
        }
        addTab(QIcon(tab.icon == RemoteIcon ? QStringLiteral(":/varnix/icons/remote-window.png")
                                            : QStringLiteral(":/varnix/icons/local-window.png")),
               displayText(tab.caption));
    }
    setCurrentIndex(changes.selected);
    following_ = false;
    setVisible(true);
}

QMdiSubWindow* WindowTabBar::windowAt(int index) const
{
    if (index < 0 || index >= int(tabs_.tabs().size()))
        return nullptr;
    WindowTabs::WindowId id = tabs_.tabs()[std::size_t(index)].window;
    const QList<QMdiSubWindow*> windows = area_.subWindowList();
    auto it = std::find_if(windows.begin(), windows.end(),
                           [&](QMdiSubWindow* w) { return reinterpret_cast<WindowTabs::WindowId>(w) == id; });
    return it == windows.end() ? nullptr : *it;
}

void WindowTabBar::selected(int index)
{
    if (following_)
        return;
    if (QMdiSubWindow* window = windowAt(index))
        area_.setActiveSubWindow(window);
}

QMenu* WindowTabBar::windowMenu(QMdiSubWindow* window)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("WindowMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    bool minimized = window->isMinimized(), maximized = window->isMaximized();
    QAction* restore = menu->addAction(tr("&Restore"), window, &QMdiSubWindow::showNormal);
    restore->setEnabled(minimized || maximized);
    menu->addAction(tr("Mi&nimize"), window, &QMdiSubWindow::showMinimized)->setEnabled(!minimized);
    menu->addAction(tr("Ma&ximize"), window, &QMdiSubWindow::showMaximized)->setEnabled(!maximized);
    menu->addSeparator();
    menu->addAction(tr("&Close"), window, &QMdiSubWindow::close);
    return menu;
}

void WindowTabBar::contextMenuEvent(QContextMenuEvent* event)
{
    QMdiSubWindow* window = windowAt(tabAt(event->pos()));
    if (!window)
        return;
    area_.setActiveSubWindow(window);
    windowMenu(window)->popup(event->globalPos());
}

} // namespace varnix
