#pragma once
// The layout values of src/settings read from and applied to Qt widgets:
// a window's placement, a list header's columns and sort arrow, and a
// docking bar's sizes.

#include "settings/BarSize.h"
#include "settings/ColumnLayout.h"
#include "settings/WindowPlacement.h"

#include <string_view>

class QDockWidget;
class QHeaderView;
class QMainWindow;
class QWidget;

namespace varnix {

class Profile;

namespace layout {

WindowPlacement placementOf(const QWidget& window);
// Sets the restored geometry and the window state; showing the window is
// left to the caller, so a window not yet shown opens in the stored state.
void applyPlacement(QWidget& window, const WindowPlacement& placement);
void loadPlacement(QWidget& window, Profile& profile, std::string_view section);
void savePlacement(const QWidget& window, Profile& profile, std::string_view section);

ColumnLayout columnsOf(const QHeaderView& header);
void applyColumns(QHeaderView& header, const ColumnLayout& columns);
void loadColumns(QHeaderView& header, Profile& profile, std::string_view section);
void saveColumns(const QHeaderView& header, Profile& profile, std::string_view section);

// The columns and the sort mode, shown as the arrow on the sorted heading.
SortMode loadSortMode(QHeaderView& header, Profile& profile, std::string_view section);
void saveSortMode(const QHeaderView& header, SortMode mode, Profile& profile, std::string_view section);
void showSortMode(QHeaderView& header, SortMode mode);

// `known` holds the sizes of the states the bar is not in now.
BarSize barSizeOf(const QMainWindow& frame, const QDockWidget& bar, const BarSize& known);
void applyBarSize(QMainWindow& frame, QDockWidget& bar, const BarSize& size);

} // namespace layout
} // namespace varnix
