#pragma once
// Registration of the nmr link scheme: the four NMR entries in the settings store (read back by
// the program and by the export of settings) and, for the desktop, a per-user desktop entry that
// handles x-scheme-handler/nmr.
#include <optional>
#include <string>

namespace nummora {

class SettingsStore;

inline constexpr const char* kNmrKey = "\\NMR";
inline constexpr const char* kHandOffValue = "URL";

// Writes the NMR entries unless NMR already has a "DefaultIcon" subkey (then nothing is
// rewritten, even for another executable path). Leaves the store's root at HKEY_LOCAL_MACHINE
// with no key open. Returns whether the entries were written.
bool RegisterSchemeEntries(SettingsStore& store, const std::string& executablePath);

// The Exec= value that runs the executable with a link: the path quoted as the desktop-entry
// rules want it (blanks and shell specials), "%" written as "%%", then the string escapes of a
// desktop-entry value ("\\" for a backslash, "\n" for a line break), and " %u".
std::string DesktopExecValue(const std::string& executablePath);

// The text of the desktop entry that opens nmr links with the executable.
std::string SchemeDesktopEntry(const std::string& executablePath);

// The text of a mimeapps.list with `entryName` as the default handler of nmr links, every other
// line kept as it was; nothing when its [Default Applications] names a handler for nmr already
// (ours or the one the user chose).
std::optional<std::string> WithSchemeDefault(const std::string& mimeAppsText, const std::string& entryName);

// Whether the executable runs from an installation (a package or `cmake --install`) whose own
// desktop entry handles nmr links: it lies in a "bin" folder and "share/applications/
// nummora.desktop" beside that folder names x-scheme-handler/nmr. Such a program writes no
// desktop files for the user; one run from a build tree does (InstallSchemeHandler).
bool RunsFromInstallation(const std::string& executablePath);

// Installs "nummora-nmr.desktop" (rewritten only when its text differs, so that links follow a
// moved program) and makes it the default for x-scheme-handler/nmr when the user's mimeapps.list
// names no handler for it yet. A mimeapps.list that exists but cannot be read is left alone; a
// symbolic link is written through to its target. Files are written atomically. Returns whether
// anything was written; failures are swallowed (the program runs without links).
bool InstallSchemeHandler(const std::string& executablePath);

}  // namespace nummora
