#include "contacts/contact_editor_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "profile/profile_text.h"
#include "ui/edit_menu.h"
#include "ui/latin1.h"
#include "ui/layout_scale.h"
#include "ui/message_box.h"

namespace nummora {

namespace {
QLineEdit* Field(QWidget* parent, const char* name, int maxLength) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaxLength(maxLength);
  InstallEditMenu(e);
  return e;
}
}  // namespace

ContactEditorDialog::ContactEditorDialog(MessageBoxes* boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes) {
  setObjectName(QStringLiteral("fUser"));
  setWindowTitle(QStringLiteral("Contact"));
  eName_ = Field(this, "eName", 25);
  eAccount_ = Field(this, "eAccount", 11);
  eLRAccount_ = Field(this, "eLRAccount", 11);
  eMail_ = Field(this, "eMail", 50);
  eComment_ = Field(this, "eComment", 50);
  connect(eLRAccount_, &QLineEdit::textEdited, this, &ContactEditorDialog::eLRAccountEdited);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Name:"), eName_);
  form->addRow(QStringLiteral("&E-gold #:"), eAccount_);
  form->addRow(QStringLiteral("&Liberty Reserve #:"), eLRAccount_);
  form->addRow(QStringLiteral("&E-mail:"), eMail_);
  form->addRow(QStringLiteral("&Comment:"), eComment_);

  bOk_ = new QPushButton(QStringLiteral("&OK"), this);
  bOk_->setObjectName(QStringLiteral("bOk"));
  bOk_->setDefault(true);  // Enter confirms; Esc cancels (QDialog)
  bCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  bCancel_->setObjectName(QStringLiteral("bCancel"));
  connect(bOk_, &QPushButton::clicked, this, &ContactEditorDialog::OnOkClicked);
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bOk_);
  buttons->addWidget(bCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(LayoutScale::ForApplication().X(300));
}

void ContactEditorDialog::Fill(const ContactRecord& c) {
  eName_->setText(FromLatin1(c.Name));
  eAccount_->setText(FromLatin1(c.EgoldID));
  eLRAccount_->setText(FromLatin1(c.LRID));
  eMail_->setText(FromLatin1(c.Email));
  eComment_->setText(FromLatin1(c.Comment));
}

ContactRecord ContactEditorDialog::Contact() const {
  ContactRecord c;
  c.Name = ToLatin1(eName_->text());
  c.EgoldID = ToLatin1(eAccount_->text());
  c.LRID = ToLatin1(eLRAccount_->text());
  c.Email = ToLatin1(eMail_->text());
  c.Comment = ToLatin1(eComment_->text());
  return c;
}

void ContactEditorDialog::eLRAccountEdited(const QString& text) {
  // Liberty Reserve numbers are written in capitals; typed text is turned to upper case.
  const QString upper = text.toUpper();
  if (upper == text) return;
  const int cursor = eLRAccount_->cursorPosition();
  eLRAccount_->setText(upper);
  eLRAccount_->setCursorPosition(cursor);
}

void ContactEditorDialog::OnOkClicked() {
  const ContactRecord c = Contact();
  // The profile has no escaping: a "<" or ">" would break the document it is saved in.
  const std::pair<QLineEdit*, const char*> fields[] = {{eName_, "Name"},
                                                       {eAccount_, "E-gold #"},
                                                       {eLRAccount_, "Liberty Reserve #"},
                                                       {eMail_, "E-mail"},
                                                       {eComment_, "Comment"}};
  for (const auto& [field, label] : fields) {
    if (auto problem = FieldTextProblem(label, ToLatin1(field->text()))) {
      BoxesOrSystem(boxes_).Error(this, FromLatin1(*problem));
      field->setFocus();
      return;
    }
  }
  accept();
}

}  // namespace nummora
