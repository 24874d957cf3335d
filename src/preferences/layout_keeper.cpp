#include "preferences/layout_keeper.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>
#include <QWidget>

#include "platform/settings_store.h"
#include "preferences/window_layout.h"
#include "profile/shell_settings.h"

namespace nummora {

namespace {
// Opens the profile key as the store's current key; false when there is no store or key.
bool OpenPlace(const TLayoutPlace& place, bool create) {
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
bool RestoreWindowBounds(QWidget* window, const TLayoutPlace& place, const std::string& name) {
  if (!OpenPlace(place, false)) return false;
  TWindowBounds b;
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

void SaveWindowBounds(const QWidget* window, const TLayoutPlace& place, const std::string& name) {
  if (!OpenPlace(place, true)) return;
  try {
    WriteWindowBounds(*place.store, name, window->x(), window->y(), window->width(), window->height());
  } catch (const std::exception&) {
    // Layout is a convenience: a failed write leaves the old layout.
  }
}

void RestoreColumnWidths(QTreeView* list, const TLayoutPlace& place, const std::string& listName) {
  if (!list || !list->model() || !OpenPlace(place, false)) return;
  const int columns = list->model()->columnCount();
  std::vector<std::optional<int>> widths;
  try {
    widths = ReadColumnWidths(*place.store, listName, columns);
  } catch (const std::exception&) {
    return;
  }
  for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
    if (!widths[static_cast<std::size_t>(column)]) continue;
    const int w = *widths[static_cast<std::size_t>(column)];
    if (w == kWidthOfWidestText)
      list->resizeColumnToContents(column);
    else if (w == kWidthOfCaption)
      list->setColumnWidth(column, list->header()->sectionSizeHint(column));
    else
      list->setColumnWidth(column, w);
  }
}

void SaveColumnWidths(const QTreeView* list, const TLayoutPlace& place, const std::string& listName) {
  if (!list || !list->model() || !OpenPlace(place, true)) return;
  std::vector<int> widths;
  for (int column = 0; column < list->model()->columnCount(); ++column)
    widths.push_back(list->columnWidth(column));
  try {
    WriteColumnWidths(*place.store, listName, widths);
  } catch (const std::exception&) {
  }
}

}  // namespace nummora
