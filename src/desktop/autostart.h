#pragma once
// Starting the program when the user logs in: an XDG autostart entry, "nummora.desktop" in the
// user's autostart folder ($XDG_CONFIG_HOME/autostart, or NUMMORA_HOME/autostart), that runs
// the program by its full path. The entry exists exactly while the setting is on.
#include <filesystem>
#include <string>

namespace nummora {

std::filesystem::path AutostartEntryPath();
// Whether the entry exists.
bool AutostartEnabled();
// The text of the entry for the executable.
std::string AutostartEntryText(const std::string& executablePath);
// Writes the entry (atomically, creating the folder). Throws on failure.
void EnableAutostart(const std::string& executablePath);
// Removes the entry; a missing entry is not an error. Throws on failure.
void DisableAutostart();

}  // namespace nummora
