#include "platform/caps_lock.h"

#include <fstream>
#include <string>
#include <string_view>

namespace nummora {
namespace {

// The kernel names keyboard LEDs "<device>::capslock", "<device>::numlock", ...
constexpr std::string_view kCapsLockSuffix = "::capslock";

bool IsCapsLockLed(const std::string& name) {
  return name.size() > kCapsLockSuffix.size() &&
         std::string_view(name).substr(name.size() - kCapsLockSuffix.size()) == kCapsLockSuffix;
}

}  // namespace

bool CapsLockOn(const std::filesystem::path& ledsFolder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(ledsFolder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsCapsLockLed(it->path().filename().string())) continue;
    std::ifstream in(it->path() / "brightness");
    int brightness = 0;
    if (in >> brightness && brightness > 0) return true;
  }
  return false;
}

}  // namespace nummora
