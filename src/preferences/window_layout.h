#pragma once
// Window layout kept in the profile key: a window's bounds under its name ("<name>_Left",
// "_Top", "_Width", "_Height") and the column widths of a list under the list's name
// ("<list>_Width_<column>", columns counted from 0). A width of -1 means as wide as the widest
// text, -2 as wide as the caption; a stored width below -2 is ignored. Each profile has its own
// key and so its own layout.
#include <optional>
#include <string>
#include <vector>

namespace nummora {

class SettingsStore;

inline constexpr int kMaxLayoutColumns = 256;
inline constexpr int kWidthOfWidestText = -1;
inline constexpr int kWidthOfCaption = -2;

struct WindowBounds {
  std::optional<int> left, top, width, height;
};

// The stored bounds of a window; a value that is missing (or not an integer) stays empty.
// Reads the store's current key.
WindowBounds ReadWindowBounds(SettingsStore& store, const std::string& windowName);
// Writes the four bounds. Throws SettingsError.
void WriteWindowBounds(SettingsStore& store, const std::string& windowName, int left, int top, int width,
                       int height);

// The stored widths of the first `columns` columns (at most 256); empty where nothing usable is
// stored.
std::vector<std::optional<int>> ReadColumnWidths(SettingsStore& store, const std::string& listName,
                                                 int columns);
// Writes one width a column, from column 0 upwards. Throws SettingsError.
void WriteColumnWidths(SettingsStore& store, const std::string& listName, const std::vector<int>& widths);

}  // namespace nummora
