#include "preferences/layout_keeper.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QTreeView>
#include <QWidget>
#include <functional>

#include "platform/settings_store.h"
#include "preferences/window_layout.h"
#include "profile/profile_settings.h"

namespace nummora {

namespace {
// Opens the profile key as the store's current key; false when there is no store or key.
bool OpenPlace(const LayoutPlace& place, bool create) {
  if (!place.store) return false;
  try {
    place.store->SetRootKey(RootKey::LocalMachine);
    return place.store->OpenKey(ProfileKeyPath(place.profileName), create);
  } catch (const std::exception&) {
    return false;
  }
}

// A window whose frame meets no screen is put at the top left of the primary screen, no
// larger than that screen.
void KeepOnScreen(QWidget* window) {
  const QRect frame(window->pos(), window->size());
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen->availableGeometry().intersects(frame)) return;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (!primary) return;
  const QRect area = primary->availableGeometry();
  window->resize(std::min(window->width(), area.width()), std::min(window->height(), area.height()));
  window->move(area.topLeft());
}
}  // namespace

// The size kept is the window's own size without the frame: Qt knows the frame only once the
// window is shown, and this way a size restored before showing comes back exactly.
bool RestoreWindowBounds(QWidget* window, const LayoutPlace& place, const std::string& name) {
  if (!OpenPlace(place, false)) return false;
  WindowBounds b;
  try {
    b = ReadWindowBounds(*place.store, name);
  } catch (const std::exception&) {
    return false;
  }
  if (!b.left && !b.top && !b.width && !b.height) return false;
  QPoint pos = window->pos();
  if (b.left) pos.setX(*b.left);
  if (b.top) pos.setY(*b.top);
  QSize size = window->size();
  if (b.width && *b.width > 0) size.setWidth(*b.width);
  if (b.height && *b.height > 0) size.setHeight(*b.height);
  window->resize(size);
  window->move(pos);
  KeepOnScreen(window);
  return true;
}

void SaveWindowBounds(const QWidget* window, const LayoutPlace& place, const std::string& name) {
  if (!OpenPlace(place, true)) return;
  try {
    WriteWindowBounds(*place.store, name, window->x(), window->y(), window->width(), window->height());
  } catch (const std::exception&) {
    // Layout is a convenience: a failed write leaves the old layout.
  }
}

namespace {
// What the column functions need of a list, whether a tree or a table.
struct LayoutColumns {
  const QAbstractItemModel* model;
  QHeaderView* header;
  std::function<void(int)> fitToContents;
};

bool RestoreColumns(const LayoutColumns& list, const LayoutPlace& place, const std::string& listName) {
  if (!list.model || !OpenPlace(place, false)) return false;
  std::vector<std::optional<int>> widths;
  try {
    widths = ReadColumnWidths(*place.store, listName, list.model->columnCount());
  } catch (const std::exception&) {
    return false;
  }
  bool any = false;
  for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
    if (!widths[static_cast<std::size_t>(column)]) continue;
    any = true;
    const int w = *widths[static_cast<std::size_t>(column)];
    if (w == kWidthOfWidestText)
      list.fitToContents(column);
    else if (w == kWidthOfCaption)
      list.header->resizeSection(column, list.header->sectionSizeHint(column));
    else
      list.header->resizeSection(column, w);
  }
  return any;
}

void SaveColumns(const LayoutColumns& list, const LayoutPlace& place, const std::string& listName) {
  if (!list.model || !OpenPlace(place, true)) return;
  std::vector<int> widths;
  for (int column = 0; column < list.model->columnCount(); ++column)
    widths.push_back(list.header->sectionSize(column));
  try {
    WriteColumnWidths(*place.store, listName, widths);
  } catch (const std::exception&) {
  }
}
}  // namespace

bool RestoreColumnWidths(QTreeView* list, const LayoutPlace& place, const std::string& listName) {
  if (!list) return false;
  return RestoreColumns({list->model(), list->header(), [list](int c) { list->resizeColumnToContents(c); }},
                        place, listName);
}

bool RestoreColumnWidths(QTableView* list, const LayoutPlace& place, const std::string& listName) {
  if (!list) return false;
  return RestoreColumns(
      {list->model(), list->horizontalHeader(), [list](int c) { list->resizeColumnToContents(c); }}, place,
      listName);
}

void SaveColumnWidths(const QTreeView* list, const LayoutPlace& place, const std::string& listName) {
  if (list) SaveColumns({list->model(), list->header(), {}}, place, listName);
}

void SaveColumnWidths(const QTableView* list, const LayoutPlace& place, const std::string& listName) {
  if (list) SaveColumns({list->model(), list->horizontalHeader(), {}}, place, listName);
}

QTreeView* ColumnList(QWidget* window, const std::string& listName) {
  if (!window) return nullptr;
  const QString name = QString::fromLatin1(listName.c_str());
  if (auto* list = window->findChild<QTreeView*>(name)) return list;
  auto* holder = window->findChild<QWidget*>(name);
  return holder ? holder->findChild<QTreeView*>() : nullptr;
}

}  // namespace nummora
