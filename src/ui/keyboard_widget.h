#pragma once
// The on-screen keyboard: a small tool window of flat keys that types into one edit field of
// the dialog that opened it, so a password can be entered with the mouse.
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace nummora {

class OnScreenKeyboard : public QWidget {
  Q_OBJECT
 public:
  // Opens a new keyboard owned by `owner`, aimed at `target`, without blocking the owner; it
  // is placed 20 pixels below and 150 pixels left of the mouse pointer.
  static OnScreenKeyboard* Open(QWidget* owner, QLineEdit* target);

  OnScreenKeyboard(QWidget* owner, QLineEdit* target);

  bool Caps() const { return caps_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QToolButton* AddKey(const QString& caption, const QString& name, int left, int top, int width = 23);
  void Append(const QString& text);
  void CapsClick();
  void BackClick();

  QPointer<QLineEdit> target_;
  QList<QToolButton*> letters_;
  bool caps_ = false;
};

}  // namespace nummora
