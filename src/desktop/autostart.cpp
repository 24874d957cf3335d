#include "desktop/autostart.h"

#include <system_error>

#include "desktop/desktop_entry.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace nummora {

std::filesystem::path AutostartEntryPath() {
  return AutostartFolder() / "nummora.desktop";
}

bool AutostartEnabled() {
  std::error_code ec;
  try {
    return std::filesystem::exists(AutostartEntryPath(), ec);
  } catch (const PathError&) {
    return false;  // no home folder: there is no autostart folder either
  }
}

std::string AutostartEntryText(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Nummora\n"
         "Comment=Start Nummora when you log in\n"
         "Exec=" +
         DesktopExecProgram(executablePath) +
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
