#pragma once
// The pass-phrase prompt: asked before a request when an account's pass phrase (e-gold) or
// security word (Liberty Reserve) is not stored, that is, when it has fewer than six characters.
#include <QDialog>
#include <QPointer>
#include <string>

#include "net/worker_host_qt.h"
#include "profile/model.h"
#include "ui/keyboard_widget.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace nummora {

// A small tool window: "Please enter PassPhrase for", the account label and ":" (`lName`), the
// masked field `ePasswd`, a flat "Virtual Keyboard" button (`bKeyboard`) and "&OK" (`bOK`).
// Enter closes it with OK, Escape with Cancel. The field is emptied each time it is shown.
class TfAsk : public QDialog {
  Q_OBJECT
 public:
  explicit TfAsk(QWidget* parent = nullptr);
  ~TfAsk() override;

  void SetAccountLabel(const std::string& label);
  // The typed pass phrase as ISO-8859-1 bytes (a character outside it becomes "?").
  std::string PassPhrase() const;
  // Empties the field.
  void ClearPassPhrase();

  QLineEdit* Field() const { return ePasswd_; }
  TvKeyboard* Keyboard() const { return keyboard_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void KeyboardClick();

  QLabel* lName_;
  QLineEdit* ePasswd_;
  QToolButton* bKeyboard_;
  QPushButton* bOK_;
  QPointer<TvKeyboard> keyboard_;
};

// Known when the record's Password has more than 5 characters. Otherwise shows TfAsk (centred on
// `parent`) up to three times: OK with more than 5 characters stores them in the record's
// Password and gives Entered; after the third other ending it gives Cancelled.
AskOutcome AskPassPhrase(TAccount& account, QWidget* parent);

}  // namespace nummora
