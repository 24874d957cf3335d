#pragma once
// A hotkey box: pressing a key with modifiers makes it the box's shortcut value and shows its
// text ("Ctrl+Shift+A"); Backspace or Delete alone clears it. The box never takes text.
#include <QLineEdit>

namespace nummora {

class HotkeyEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit HotkeyEdit(QWidget* parent = nullptr);

  // The shortcut value, 0 for none. The box gives Ctrl, Shift and Alt, never the Win key.
  int Value() const { return value_; }
  void SetValue(int shortcutValue);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  int value_ = 0;
};

// The virtual-key code of a Qt key, 0 when it has none.
int VirtualKeyOfQtKey(int qtKey);

}  // namespace nummora
