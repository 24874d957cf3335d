#pragma once
// Registration of the nmr link scheme: the four NMR entries in the settings store (read back by
// the program and by the export of settings) and, for the desktop, a per-user desktop entry that
// handles x-scheme-handler/nmr.
#include <filesystem>
#include <string>

namespace nummora {

class SettingsStore;

inline constexpr const char* kNmrKey = "\\NMR";
inline constexpr const char* kHandOffValue = "URL";

// Writes the NMR entries unless NMR already has a "DefaultIcon" subkey (then nothing is
// rewritten, even for another executable path). Leaves the store's root at HKEY_LOCAL_MACHINE
// with no key open. Returns whether the entries were written.
bool RegisterSchemeEntries(SettingsStore& store, const std::string& executablePath);

// The text of the desktop entry that opens nmr links with the executable.
std::string SchemeDesktopEntry(const std::string& executablePath);

// Installs "nummora-nmr.desktop" and makes it the default for x-scheme-handler/nmr when the
// user's mimeapps.list names no handler for it yet. Files are written atomically. Returns
// whether anything was installed; failures are swallowed (the program runs without links).
bool InstallSchemeHandler(const std::string& executablePath);

}  // namespace nummora
