#include "preferences/hotkey_edit.h"

#include <QKeyEvent>
#include <utility>

#include "preferences/hotkey_text.h"
#include "ui/latin1.h"

namespace nummora {

int VirtualKeyOfQtKey(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  static const std::pair<int, int> table[] = {
      {Qt::Key_Backspace, 0x08},    {Qt::Key_Tab, 0x09},        {Qt::Key_Return, 0x0D},
      {Qt::Key_Enter, 0x0D},        {Qt::Key_Pause, 0x13},      {Qt::Key_Escape, 0x1B},
      {Qt::Key_Space, 0x20},        {Qt::Key_PageUp, 0x21},     {Qt::Key_PageDown, 0x22},
      {Qt::Key_End, 0x23},          {Qt::Key_Home, 0x24},       {Qt::Key_Left, 0x25},
      {Qt::Key_Up, 0x26},           {Qt::Key_Right, 0x27},      {Qt::Key_Down, 0x28},
      {Qt::Key_Print, 0x2C},        {Qt::Key_Insert, 0x2D},     {Qt::Key_Delete, 0x2E},
      {Qt::Key_Asterisk, 0x6A},     {Qt::Key_Plus, 0x6B},       {Qt::Key_Semicolon, 0xBA},
      {Qt::Key_Equal, 0xBB},        {Qt::Key_Comma, 0xBC},      {Qt::Key_Minus, 0xBD},
      {Qt::Key_Period, 0xBE},       {Qt::Key_Slash, 0xBF},      {Qt::Key_QuoteLeft, 0xC0},
      {Qt::Key_BracketLeft, 0xDB},  {Qt::Key_Backslash, 0xDC},  {Qt::Key_BracketRight, 0xDD},
      {Qt::Key_Apostrophe, 0xDE},   {Qt::Key_Back, 166},        {Qt::Key_Forward, 167},
      {Qt::Key_Refresh, 168},       {Qt::Key_Stop, 169},        {Qt::Key_Search, 170},
      {Qt::Key_Favorites, 171},     {Qt::Key_HomePage, 172},    {Qt::Key_VolumeMute, 173},
      {Qt::Key_VolumeDown, 174},    {Qt::Key_VolumeUp, 175},    {Qt::Key_MediaNext, 176},
      {Qt::Key_MediaPrevious, 177}, {Qt::Key_MediaStop, 178},   {Qt::Key_MediaPlay, 179},
      {Qt::Key_LaunchMail, 180},    {Qt::Key_LaunchMedia, 181}, {Qt::Key_Launch0, 182},
      {Qt::Key_Launch1, 183}};
  for (const auto& [qt, vk] : table)
    if (qt == key) return vk;
  return 0;
}

HotkeyEdit::HotkeyEdit(QWidget* parent) : QLineEdit(parent) {
  setContextMenuPolicy(Qt::NoContextMenu);
  setPlaceholderText(QStringLiteral("None"));
  SetValue(0);
}

void HotkeyEdit::SetValue(int value) {
  value_ = value;
  setText(value ? FromLatin1(HotkeyText(value)) : QString());
}

bool HotkeyEdit::event(QEvent* e) {
  // Tab and the dialog's shortcuts are keys like any other while the box has the focus.
  if (e->type() == QEvent::ShortcutOverride) {
    e->accept();
    return true;
  }
  if (e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        keyPressEvent(key);
        return true;
      }
      return QLineEdit::event(e);
    }
  }
  return QLineEdit::event(e);
}

void HotkeyEdit::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  const int key = e->key();
  if (mods == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
    SetValue(0);
    return;
  }
  if (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
    e->ignore();  // the dialog's Enter and Esc
    return;
  }
  int vk = VirtualKeyOfQtKey(key);
  if ((e->modifiers() & Qt::KeypadModifier) && key >= Qt::Key_0 && key <= Qt::Key_9)
    vk = 0x60 + (key - Qt::Key_0);
  if (!vk) return;  // a modifier alone, or a key without a code
  int value = vk;
  if (mods & Qt::ShiftModifier) value |= kHotkeyShift;
  if (mods & Qt::ControlModifier) value |= kHotkeyCtrl;
  if (mods & Qt::AltModifier) value |= kHotkeyAlt;
  SetValue(value);
}

}  // namespace nummora
