#include "preferences/window_layout.h"

#include <algorithm>

#include "platform/settings_store.h"
#include "platform/settings_table.h"

namespace nummora {

WindowBounds ReadWindowBounds(SettingsStore& store, const std::string& name) {
  WindowBounds b;
  b.left = store.TryReadInteger(name + settings::kBoundLeft);
  b.top = store.TryReadInteger(name + settings::kBoundTop);
  b.width = store.TryReadInteger(name + settings::kBoundWidth);
  b.height = store.TryReadInteger(name + settings::kBoundHeight);
  return b;
}

void WriteWindowBounds(SettingsStore& store, const std::string& name, int left, int top, int width,
                       int height) {
  store.WriteInteger(name + settings::kBoundLeft, left);
  store.WriteInteger(name + settings::kBoundTop, top);
  store.WriteInteger(name + settings::kBoundWidth, width);
  store.WriteInteger(name + settings::kBoundHeight, height);
}

std::vector<std::optional<int>> ReadColumnWidths(SettingsStore& store, const std::string& list, int columns) {
  std::vector<std::optional<int>> widths(static_cast<std::size_t>(std::clamp(columns, 0, kMaxLayoutColumns)));
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const auto w = store.TryReadInteger(settings::ColumnWidthName(list, i));
    if (w && *w >= kWidthOfCaption) widths[i] = *w;
  }
  return widths;
}

void WriteColumnWidths(SettingsStore& store, const std::string& list, const std::vector<int>& widths) {
  const std::size_t count = std::min<std::size_t>(widths.size(), kMaxLayoutColumns);
  for (std::size_t i = 0; i < count; ++i) store.WriteInteger(settings::ColumnWidthName(list, i), widths[i]);
}

}  // namespace nummora
