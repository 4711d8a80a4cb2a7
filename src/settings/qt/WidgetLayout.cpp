#include "settings/qt/WidgetLayout.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QMainWindow>
#include <QWidget>

#include <algorithm>

namespace varnix::layout {

WindowPlacement placementOf(const QWidget& window)
{
    WindowPlacement p;
    Qt::WindowStates state = window.windowState();
    p.show = state & Qt::WindowMinimized   ? WindowPlacement::Minimized
           : state & Qt::WindowMaximized ? WindowPlacement::Maximized
                                         : WindowPlacement::Normal;
    // Minimized from the maximized state: Qt keeps both flags.
    if (state & Qt::WindowMaximized)
        p.flags |= WindowPlacement::kRestoreToMaximized;
    QRect normal = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    p.normal = {normal.left(), normal.top(), normal.left() + normal.width(), normal.top() + normal.height()};
    return p;
}

void applyPlacement(QWidget& window, const WindowPlacement& p)
{
    window.setGeometry(p.normal.left, p.normal.top, p.normal.right - p.normal.left, p.normal.bottom - p.normal.top);
    Qt::WindowStates state = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (p.show == WindowPlacement::Maximized)
        state |= Qt::WindowMaximized;
    else if (p.show == WindowPlacement::Minimized)
        state |= Qt::WindowMinimized;
    window.setWindowState(state);
}

void loadPlacement(QWidget& window, Profile& profile, std::string_view section)
{
    applyPlacement(window, WindowPlacement::load(profile, section, placementOf(window)));
}

void savePlacement(const QWidget& window, Profile& profile, std::string_view section)
{
    placementOf(window).save(profile, section);
}

ColumnLayout columnsOf(const QHeaderView& header)
{
    ColumnLayout columns;
    for (int i = 0; i < header.count(); ++i) {
        columns.positions.push_back(header.visualIndex(i));
        columns.widths.push_back(header.sectionSize(i));
    }
    return columns;
}

void applyColumns(QHeaderView& header, const ColumnLayout& columns)
{
    int count = std::min<int>(header.count(), int(columns.widths.size()));
    for (int i = 0; i < count; ++i)
        header.resizeSection(i, columns.widths[std::size_t(i)]);
    if (int(columns.positions.size()) != header.count() || !ColumnLayout::isPermutation(columns.positions))
        return;
    // Fill the places from the left; each move leaves the places before it alone.
    for (int place = 0; place < header.count(); ++place) {
        for (int column = 0; column < header.count(); ++column) {
            if (columns.positions[std::size_t(column)] == place) {
                header.moveSection(header.visualIndex(column), place);
                break;
            }
        }
    }
}

void loadColumns(QHeaderView& header, Profile& profile, std::string_view section)
{
    applyColumns(header, ColumnLayout::load(profile, section, columnsOf(header)));
}

void saveColumns(const QHeaderView& header, Profile& profile, std::string_view section)
{
    columnsOf(header).save(profile, section);
}

SortMode loadSortMode(QHeaderView& header, Profile& profile, std::string_view section)
{
    loadColumns(header, profile, section);
    SortMode mode = SortMode::load(profile, section);
    showSortMode(header, mode);
    return mode;
}

void saveSortMode(const QHeaderView& header, SortMode mode, Profile& profile, std::string_view section)
{
    saveColumns(header, profile, section);
    mode.save(profile, section);
}

void showSortMode(QHeaderView& header, SortMode mode)
{
    header.setSortIndicatorShown(true);
    header.setSortIndicator(mode.column(), mode.descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

BarSize barSizeOf(const QMainWindow& frame, const QDockWidget& bar, const BarSize& known)
{
    BarSize size = known;
    if (bar.isHidden())
        return size;
    BarSize::Size now{bar.width(), bar.height()};
    Qt::DockWidgetArea area = frame.dockWidgetArea(const_cast<QDockWidget*>(&bar));
    if (bar.isFloating())
        size.floating = now;
    else if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
        size.horz = now;
    else if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
        size.vert = now;
    return size;
}

void applyBarSize(QMainWindow& frame, QDockWidget& bar, const BarSize& size)
{
    if (bar.isFloating()) {
        bar.resize(size.floating.cx, size.floating.cy);
        return;
    }
    Qt::DockWidgetArea area = frame.dockWidgetArea(&bar);
    if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
        frame.resizeDocks({&bar}, {size.horz.cy}, Qt::Vertical);
    else if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
        frame.resizeDocks({&bar}, {size.vert.cx}, Qt::Horizontal);
}

} // namespace varnix::layout
