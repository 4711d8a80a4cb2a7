#pragma once
// The strip of tabs below the MDI area, one per child window. A click
// activates the tab's window, a double-click maximizes it, a right-click
// shows its window menu.

#include "app/WindowTabs.h"

#include <QTabBar>

class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace varnix {

class WindowTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit WindowTabBar(QMdiArea& area, QWidget* parent = nullptr);

    // Brings the tabs in line with the child windows.
    void follow();
    QMdiSubWindow* windowAt(int index) const;
    // The menu a right-click on the tab shows (Restore, Minimize, Maximize, Close).
    QMenu* windowMenu(QMdiSubWindow* window);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void selected(int index);

    QMdiArea& area_;
    WindowTabs tabs_;
    bool following_ = false;
};

} // namespace varnix
