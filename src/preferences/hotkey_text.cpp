#include "preferences/hotkey_text.h"

#include <array>
#include <utility>

namespace nummora {

namespace {
// The multimedia keys, virtual-key codes 166 to 183.
constexpr std::array<const char*, 18> kMediaNames = {
    "Browser Back",      "Browser Forward",     "Browser Refresh",    "Browser Stop",     "Browser Search",
    "Browser Favorites", "Browser Start/Home",  "Volume Mute",        "Volume Down",      "Volume Up",
    "Next Track",        "Previous Track",      "Stop Media",         "Play/Pause Media", "Start Mail",
    "Select Media",      "Start Application 1", "Start Application 2"};

constexpr std::pair<int, const char*> kNamedKeys[] = {
    {0x08, "Backspace"}, {0x09, "Tab"},     {0x0D, "Enter"},   {0x13, "Pause"},     {0x14, "Caps Lock"},
    {0x1B, "Esc"},       {0x20, "Space"},   {0x21, "Page Up"}, {0x22, "Page Down"}, {0x23, "End"},
    {0x24, "Home"},      {0x25, "Left"},    {0x26, "Up"},      {0x27, "Right"},     {0x28, "Down"},
    {0x2C, "Sys Req"},   {0x2D, "Insert"},  {0x2E, "Delete"},  {0x6A, "Num *"},     {0x6B, "Num +"},
    {0x6D, "Num -"},     {0x6E, "Num Del"}, {0x6F, "Num /"},   {0x90, "Num Lock"},  {0x91, "Scroll Lock"},
    {0xBA, ";"},         {0xBB, "="},       {0xBC, ","},       {0xBD, "-"},         {0xBE, "."},
    {0xBF, "/"},         {0xC0, "`"},       {0xDB, "["},       {0xDC, "\\"},        {0xDD, "]"},
    {0xDE, "'"}};
}  // namespace

std::string VirtualKeyName(int vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, static_cast<char>(vk));
  if (vk >= 0x60 && vk <= 0x69) return "Num " + std::to_string(vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x6F);
  if (vk >= 166 && vk <= 183) return kMediaNames[static_cast<std::size_t>(vk - 166)];
  for (const auto& [code, name] : kNamedKeys)
    if (code == vk) return name;
  return {};
}

std::string HotkeyText(int value) {
  if (value == 0) return {};
  std::string text;
  if (value & kHotkeyCtrl) text += "Ctrl+";
  if (value & kHotkeyShift) text += "Shift+";
  if (value & kHotkeyAlt) text += "Alt+";
  if (value & kHotkeyWin) text += "Win+";
  return text + VirtualKeyName(value & 0xFF);
}

}  // namespace nummora
