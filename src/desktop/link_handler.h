#pragma once
// The desktop's handler of nmr links: a per-user desktop entry that opens x-scheme-handler/nmr
// with the program, made the default in the user's mimeapps.list.
#include <optional>
#include <string>

namespace nummora {

// The Exec= value that runs the executable with a link: DesktopExecProgram, then " %u".
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
