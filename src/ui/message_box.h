#pragma once
// Modal message boxes go through this small interface, so that dialogs can be driven by tests
// without a box blocking the test: a test hands a recorder in, the program uses QMessageBox.
#include <QString>

class QWidget;

namespace nummora {

enum class MessageIcon { None, Information, Warning, Error, Question };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A modal box with the icon and one OK button; returns when it has been closed.
  virtual void Show(QWidget* parent, MessageIcon icon, const QString& text) = 0;
  // A modal Yes/No question with the question icon; true for Yes.
  virtual bool Ask(QWidget* parent, const QString& text) = 0;

  // Shorthand for the error box the program uses for every refusal.
  void Error(QWidget* parent, const QString& text) { Show(parent, MessageIcon::Error, text); }
};

// The program's boxes (QMessageBox, captioned with the application's display name).
MessageBoxes& SystemMessageBoxes();

// The given boxes, or the program's boxes when none is given.
inline MessageBoxes& BoxesOrSystem(MessageBoxes* boxes) {
  return boxes ? *boxes : SystemMessageBoxes();
}

}  // namespace nummora
