#pragma once
// Password and pass-phrase fields: every typed character is shown as "*", and only characters
// of ISO-8859-1 are taken. The profile, the cipher and the payment systems work on ISO-8859-1
// bytes; any other character would have to be replaced (by "?"), which would make every such
// character the same and a password of them easy to guess. Such a character is refused as it is
// typed or pasted, with a tip under the field that says why.
#include <QString>

class QLineEdit;
class QWidget;

namespace nummora {

class MessageBoxes;

// The tip shown when a character outside ISO-8859-1 is refused.
QString NotLatin1Message();

// Makes `field` a password field: echo "*", characters outside ISO-8859-1 refused.
void MakePasswordField(QLineEdit* field);

// For the OK of a dialog: true when the field's text is all ISO-8859-1; otherwise shows the
// error box (through `boxes`, or the system's boxes when null), puts the focus on the field and
// gives false. Text set by the program bypasses the refusal while typing; this catches it.
bool CheckPasswordField(QLineEdit* field, MessageBoxes* boxes, QWidget* parent);

}  // namespace nummora
