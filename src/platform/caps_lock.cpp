#include "platform/caps_lock.h"

#include <fstream>
#include <string>

namespace nummora {

bool CapsLockOn(const std::filesystem::path& ledsFolder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(ledsFolder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 9 || name.compare(name.size() - 9, 9, "::capslock") != 0) continue;
    std::ifstream in(it->path() / "brightness");
    int brightness = 0;
    if (in >> brightness && brightness > 0) return true;
  }
  return false;
}

}  // namespace nummora
