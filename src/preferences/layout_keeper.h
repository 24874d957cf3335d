#pragma once
// Saving and restoring a window's bounds and the column widths of its lists in the profile key,
// under the window's and the lists' names (preferences/window_layout.h), so that a window
// reopens as the user left it. Any window can use these; the main window and the history
// viewer do.
//
//   RestoreWindowBounds(this, place, "fHistory");   // when created
//   RestoreColumnWidths(list, place, "List");
//   ...
//   SaveColumnWidths(list, place, "List");          // when closed
//   SaveWindowBounds(this, place, "fHistory");
#include <string>

class QTableView;
class QTreeView;
class QWidget;

namespace nummora {

class SettingsStore;

// Where a layout is kept: the settings store and the profile whose key holds it.
struct LayoutPlace {
  SettingsStore* store = nullptr;
  std::string profileName;
};

// Sets each stored bound (a missing one keeps the window's own); a window that would then lie
// off every screen is moved onto the primary one. False when nothing was stored.
bool RestoreWindowBounds(QWidget* window, const LayoutPlace& place, const std::string& windowName);
void SaveWindowBounds(const QWidget* window, const LayoutPlace& place, const std::string& windowName);
// Sets each stored column width (-1: to the widest text, -2: to the caption); false when no
// width was stored for the list.
bool RestoreColumnWidths(QTreeView* list, const LayoutPlace& place, const std::string& listName);
bool RestoreColumnWidths(QTableView* list, const LayoutPlace& place, const std::string& listName);
void SaveColumnWidths(const QTreeView* list, const LayoutPlace& place, const std::string& listName);
void SaveColumnWidths(const QTableView* list, const LayoutPlace& place, const std::string& listName);

// The list whose widths are kept under `listName` in `window`: the tree view of that name, or,
// when the name belongs to a widget that holds the list (the directory's stacked views), the
// tree view inside it. nullptr when there is none.
QTreeView* ColumnList(QWidget* window, const std::string& listName);

}  // namespace nummora
