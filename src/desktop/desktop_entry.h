#pragma once
// What every desktop entry the program writes shares: the quoting of the program in an Exec
// value, and reading and replacing the user's desktop files.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace nummora {

// The program of an Exec value, as a desktop-entry reader takes it back: an argument that holds
// a blank or a reserved character is put in double quotes, with '"', '`', '$' and '\' escaped by
// a backslash; "%" is written "%%"; then the escapes of a string value are applied ("\\" for a
// backslash, "\n", "\t" and "\r" for a line break, tab and carriage return), so that the value
// stays on its line.
std::string DesktopExecProgram(const std::string& executablePath);

// The whole file; empty text when it does not exist, nothing when it exists but cannot be read.
std::optional<std::string> ReadDesktopFile(const std::filesystem::path& path);

// Replaces the file atomically, keeping the mode of an existing one (`newMode` for a new one).
void WriteDesktopFile(const std::filesystem::path& path, const std::string& text, mode_t newMode);

}  // namespace nummora
