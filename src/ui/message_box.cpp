#include "ui/message_box.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace nummora {
namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QString Caption() {
  const QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QStringLiteral("Nummora") : name;
}

class QtMessageBoxes final : public MessageBoxes {
 public:
  void Show(QWidget* parent, MessageIcon icon, const QString& text) override {
    QMessageBox box(ToQt(icon), Caption(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);  // texts may come from servers or users
    box.exec();
  }
  bool Ask(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Question, Caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static QtMessageBoxes boxes;
  return boxes;
}

}  // namespace nummora
