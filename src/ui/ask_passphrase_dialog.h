#pragma once
// The pass-phrase prompt: asked before a request when an account's pass phrase (e-gold) or
// security word (Liberty Reserve) is not stored, that is, when it has fewer than six characters.
#include <QDialog>
#include <QPointer>
#include <cstddef>
#include <optional>
#include <string>

#include "common/passphrase_prompt.h"
#include "ui/keyboard_widget.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace nummora {

// A small tool window: "Please enter PassPhrase for", the account label and ":" (`lName`), the
// masked field `ePasswd`, a flat "Virtual Keyboard" button (`bKeyboard`) and "&OK" (`bOK`).
// Enter closes it with OK, Escape with Cancel. The field is emptied each time it is shown.
class PassphraseDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PassphraseDialog(QWidget* parent = nullptr);
  ~PassphraseDialog() override;

  void SetAccountLabel(const std::string& label);
  // The typed pass phrase as ISO-8859-1 bytes (a character outside it becomes "?").
  std::string PassPhrase() const;
  // Empties the field.
  void ClearPassPhrase();

  QLineEdit* Field() const { return ePasswd_; }
  OnScreenKeyboard* Keyboard() const { return keyboard_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void KeyboardClick();

  QLabel* lName_;
  QLineEdit* ePasswd_;
  QToolButton* bKeyboard_;
  QPushButton* bOK_;
  QPointer<OnScreenKeyboard> keyboard_;
};

// Shows PassphraseDialog (centred on `parent`) for the account of `accountLabel` up to three times and
// gives the first pass phrase of at least `minimum` characters typed and confirmed with OK;
// nothing after the third other ending.
std::optional<std::string> PromptPassPhrase(const std::string& accountLabel, std::size_t minimum,
                                            QWidget* parent);

// The pass-phrase prompt as the window provides it: PromptPassPhrase centred on `parent` (while
// it exists; else on no window).
class DialogPassphrasePrompt : public PassphrasePrompt {
 public:
  explicit DialogPassphrasePrompt(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> Ask(const std::string& accountLabel, std::size_t minimum) override {
    return PromptPassPhrase(accountLabel, minimum, parent_);
  }

 private:
  QPointer<QWidget> parent_;
};

}  // namespace nummora
