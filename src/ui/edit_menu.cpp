#include "ui/edit_menu.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>

namespace nummora {

QMenu* CreateEditMenu(QLineEdit* field) {
  auto* menu = new QMenu(field);
  menu->setObjectName(QStringLiteral("EditMenu"));
  const bool writable = !field->isReadOnly();
  const bool selected = field->hasSelectedText();
  // A masked field gives its text away to nobody.
  const bool revealable = field->echoMode() == QLineEdit::Normal;
  QAction* undo = menu->addAction(QStringLiteral("&Undo"), field, &QLineEdit::undo);
  undo->setEnabled(writable && field->isUndoAvailable());
  menu->addSeparator();
  menu->addAction(QStringLiteral("Cu&t"), field, &QLineEdit::cut)
      ->setEnabled(writable && selected && revealable);
  menu->addAction(QStringLiteral("&Copy"), field, &QLineEdit::copy)->setEnabled(selected && revealable);
  menu->addAction(QStringLiteral("&Paste"), field, &QLineEdit::paste)
      ->setEnabled(writable && !QGuiApplication::clipboard()->text().isEmpty());
  menu->addAction(QStringLiteral("&Delete"), field, &QLineEdit::del)->setEnabled(writable && selected);
  menu->addSeparator();
  menu->addAction(QStringLiteral("Select &All"), field, &QLineEdit::selectAll)
      ->setEnabled(!field->text().isEmpty());
  return menu;
}

void InstallEditMenu(QLineEdit* field) {
  field->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(field, &QLineEdit::customContextMenuRequested, field, [field](const QPoint& at) {
    QMenu* menu = CreateEditMenu(field);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(field->mapToGlobal(at));
  });
}

}  // namespace nummora
