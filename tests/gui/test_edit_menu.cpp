// The shared edit-field menu: its items in order, enabled as the field allows, and never
// handing out the text of a masked field.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "support/qt_test_main.h"
#include "ui/edit_menu.h"

using nummora::CreateEditMenu;

namespace {
QMap<QString, bool> Enabled(QMenu* menu) {
  QMap<QString, bool> m;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) m[a->text()] = a->isEnabled();
  return m;
}
}  // namespace

class TestEditMenu : public QObject {
  Q_OBJECT
 private slots:
  void itemsInOrder() {
    QLineEdit field;
    QMenu* menu = CreateEditMenu(&field);
    QStringList captions;
    for (QAction* a : menu->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions, (QStringList{"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All"}));
  }

  void selectionEnablesCutCopyDelete() {
    QGuiApplication::clipboard()->setText("clip");
    QLineEdit field;
    field.setText("abc");
    field.setSelection(0, 2);
    auto m = Enabled(CreateEditMenu(&field));
    QVERIFY(m["Cu&t"] && m["&Copy"] && m["&Delete"] && m["&Paste"] && m["Select &All"]);
    // Acting on the field: Delete removes the selection.
    for (QAction* a : CreateEditMenu(&field)->actions())
      if (a->text() == "&Delete") a->trigger();
    QCOMPARE(field.text(), QStringLiteral("c"));
  }

  void maskedFieldKeepsItsText() {
    QLineEdit field;
    field.setEchoMode(QLineEdit::Password);
    field.setText("secret");
    field.selectAll();
    auto m = Enabled(CreateEditMenu(&field));
    QVERIFY(!m["Cu&t"] && !m["&Copy"]);
    QVERIFY(m["&Delete"]);
  }

  void readOnlyFieldOffersNoChange() {
    QGuiApplication::clipboard()->setText("clip");
    QLineEdit field;
    field.setText("abc");
    field.setReadOnly(true);
    field.selectAll();
    auto m = Enabled(CreateEditMenu(&field));
    QVERIFY(!m["&Paste"] && !m["Cu&t"] && !m["&Delete"] && !m["&Undo"]);
    QVERIFY(m["&Copy"]);
  }
};

NUMMORA_QTEST_MAIN(TestEditMenu)
#include "test_edit_menu.moc"
