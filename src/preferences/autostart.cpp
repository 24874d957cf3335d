#include "preferences/autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace nummora {

namespace {
std::filesystem::path ConfigHome() {
  const char* home = std::getenv("NUMMORA_HOME");
  if (home && *home) return std::filesystem::absolute(home);
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return config;
  const char* user = std::getenv("HOME");
  return std::filesystem::path(user ? user : "/") / ".config";
}

// The Exec value: the path in double quotes when it holds anything a desktop entry reads
// specially, then the escapes of a desktop-entry string; "%" is doubled.
std::string ExecValue(const std::string& path) {
  std::string arg = path;
  if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`=") != std::string::npos) {
    arg = "\"";
    for (char c : path) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') arg += '\\';
      arg += c;
    }
    arg += '"';
  }
  std::string value;
  for (char c : arg) {
    if (c == '\\') value += '\\';
    if (c == '%') value += '%';
    value += c;
  }
  return value;
}
}  // namespace

std::filesystem::path AutostartEntryPath() {
  return ConfigHome() / "autostart" / "nummora.desktop";
}

bool AutostartEnabled() {
  std::error_code ec;
  return std::filesystem::exists(AutostartEntryPath(), ec);
}

std::string AutostartEntryText(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Nummora\n"
         "Comment=Start Nummora when you log in\n"
         "Exec=" +
         ExecValue(executablePath) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void EnableAutostart(const std::string& executablePath) {
  const std::filesystem::path entry = AutostartEntryPath();
  CreatePrivateFolder(entry.parent_path());
  WriteFileAtomically(entry.string(), AutostartEntryText(executablePath));
}

void DisableAutostart() {
  std::error_code ec;
  std::filesystem::remove(AutostartEntryPath(), ec);
  if (ec) throw std::system_error(ec, "Could not remove " + AutostartEntryPath().string());
}

}  // namespace nummora
