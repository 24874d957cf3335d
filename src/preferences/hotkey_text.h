#pragma once
// Shortcut values and their names. A shortcut value is what the preferences store for a global
// hotkey: the key's virtual-key code in the low byte, plus 8192 for Shift, 16384 for Ctrl,
// 32768 for Alt and 65536 for the Windows (Super) key. Zero means no hotkey.
#include <string>

namespace nummora {

inline constexpr int kHotkeyShift = 0x2000;
inline constexpr int kHotkeyCtrl = 0x4000;
inline constexpr int kHotkeyAlt = 0x8000;
inline constexpr int kHotkeyWin = 0x10000;

// The name of a virtual-key code as an English keyboard labels it ("A", "F5", "Page Up",
// "Num 7", "Volume Up"); an empty text for a code that has no key.
std::string VirtualKeyName(int virtualKey);

// The text of a shortcut value: the modifiers in the order Ctrl, Shift, Alt, Win, each followed
// by "+", then the key's name ("Ctrl+Shift+A"). Empty for 0.
std::string HotkeyText(int shortcutValue);

}  // namespace nummora
