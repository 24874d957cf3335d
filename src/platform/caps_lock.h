#pragma once
// Whether Caps Lock is on, read from the keyboard LEDs the kernel exposes
// (/sys/class/leds/*::capslock/brightness). False when no such LED can be read.
#include <filesystem>

namespace nummora {

bool CapsLockOn(const std::filesystem::path& ledsFolder = "/sys/class/leds");

}  // namespace nummora
