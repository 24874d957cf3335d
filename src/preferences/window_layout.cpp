#include "preferences/window_layout.h"

#include <algorithm>

#include "platform/settings_store.h"

namespace nummora {

WindowBounds ReadWindowBounds(SettingsStore& store, const std::string& name) {
  WindowBounds b;
  b.left = store.TryReadInteger(name + "_Left");
  b.top = store.TryReadInteger(name + "_Top");
  b.width = store.TryReadInteger(name + "_Width");
  b.height = store.TryReadInteger(name + "_Height");
  return b;
}

void WriteWindowBounds(SettingsStore& store, const std::string& name, int left, int top, int width,
                       int height) {
  store.WriteInteger(name + "_Left", left);
  store.WriteInteger(name + "_Top", top);
  store.WriteInteger(name + "_Width", width);
  store.WriteInteger(name + "_Height", height);
}

std::vector<std::optional<int>> ReadColumnWidths(SettingsStore& store, const std::string& list, int columns) {
  std::vector<std::optional<int>> widths(static_cast<std::size_t>(std::clamp(columns, 0, kMaxLayoutColumns)));
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const auto w = store.TryReadInteger(list + "_Width_" + std::to_string(i));
    if (w && *w >= kWidthOfCaption) widths[i] = *w;
  }
  return widths;
}

void WriteColumnWidths(SettingsStore& store, const std::string& list, const std::vector<int>& widths) {
  const std::size_t count = std::min<std::size_t>(widths.size(), kMaxLayoutColumns);
  for (std::size_t i = 0; i < count; ++i) store.WriteInteger(list + "_Width_" + std::to_string(i), widths[i]);
}

}  // namespace nummora
