#include "ui/password_field.h"

#include <QLineEdit>
#include <QProxyStyle>
#include <QToolTip>
#include <QValidator>

#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

namespace {

// Masks typed characters with "*", whatever the platform style would use.
class AsteriskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// Refuses an edit that would put a character outside ISO-8859-1 into the field, and says why.
class Latin1Validator : public QValidator {
 public:
  explicit Latin1Validator(QLineEdit* field) : QValidator(field), field_(field) {}

  State validate(QString& input, int&) const override {
    if (IsLatin1(input)) return Acceptable;
    QToolTip::showText(field_->mapToGlobal(QPoint(0, field_->height())), NotLatin1Message(), field_);
    return Invalid;
  }

 private:
  QLineEdit* field_;
};

}  // namespace

QString NotLatin1Message() {
  return QStringLiteral(
      "Passwords and pass phrases can hold only characters of the Western European "
      "(ISO-8859-1) character set: letters, digits and signs such as é, ü or ß. "
      "Other characters cannot be used.");
}

void MakePasswordField(QLineEdit* field) {
  auto* style = new AsteriskStyle;
  style->setParent(field);
  field->setStyle(style);
  field->setEchoMode(QLineEdit::Password);
  field->setValidator(new Latin1Validator(field));
}

bool CheckPasswordField(QLineEdit* field, MessageBoxes* boxes, QWidget* parent) {
  if (IsLatin1(field->text())) return true;
  BoxesOrSystem(boxes).Error(parent, NotLatin1Message());
  field->setFocus();
  return false;
}

}  // namespace nummora
