#include "app/main_actions.h"

#include <QAction>
#include <QApplication>
#include <QStyle>

#include "ui/icons.h"

namespace nummora {

namespace {
QAction* Make(QObject* owner, const char* name, const char* caption, const char* hint,
              QKeySequence shortcut = {}, QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase) {
  auto* a = new QAction(QString::fromLatin1(caption), owner);
  a->setObjectName(QString::fromLatin1(name));
  if (hint && *hint) {
    a->setStatusTip(QString::fromLatin1(hint));
    a->setToolTip(QString::fromLatin1(hint));
  }
  if (!shortcut.isEmpty()) {
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
  }
  if (pixmap != QStyle::SP_CustomBase) a->setIcon(QApplication::style()->standardIcon(pixmap));
  return a;
}
}  // namespace

MainActions CreateMainActions(QObject* owner) {
  MainActions a;
  a.newAccount = Make(owner, "New", "&New account...", "Add new account", QKeySequence(Qt::CTRL | Qt::Key_N),
                      QStyle::SP_FileDialogNewFolder);
  a.deleteAccount = Make(owner, "Delete", "&Delete", "Delete account", QKeySequence(Qt::CTRL | Qt::Key_D),
                         QStyle::SP_TrashIcon);
  a.info = Make(owner, "Info", "&Account Info...", "Account information", QKeySequence(Qt::CTRL | Qt::Key_I),
                QStyle::SP_FileDialogInfoView);
  a.balance = Make(owner, "Balance", "&Update balance", "Update account balance",
                   QKeySequence(Qt::CTRL | Qt::Key_B), QStyle::SP_BrowserReload);
  a.updateAll = Make(owner, "UpdateAll", "&Update all balances", "Update all accounts balances",
                     QKeySequence(Qt::CTRL | Qt::Key_A));
  a.spend = Make(owner, "Spend", "&Spend...", "Spend funds", QKeySequence(Qt::CTRL | Qt::Key_S),
                 QStyle::SP_DialogApplyButton);
  a.viewHistory = Make(owner, "ViewHistory", "&View history...", "View account history",
                       QKeySequence(Qt::CTRL | Qt::Key_H), QStyle::SP_FileDialogDetailedView);
  a.copyNumber = Make(owner, "CopyNumber", "Copy account number", "Copy account number to clipboard",
                      QKeySequence(Qt::CTRL | Qt::Key_C));
  a.moveUp = Make(owner, "Moveup", "Move &up", "Move selected account up", QKeySequence(Qt::Key_PageUp),
                  QStyle::SP_ArrowUp);
  a.moveDown = Make(owner, "Movedown", "Move &down", "Move selected account down",
                    QKeySequence(Qt::Key_PageDown), QStyle::SP_ArrowDown);
  a.preferences = Make(owner, "Preferences", "&Preferences...", "Program options");
  a.importAccounts = Make(owner, "actImport", "&Import accounts...", "Import accounts");
  a.exportAccounts = Make(owner, "actExport", "&Export accounts...", "Export accounts");
  a.exit = Make(owner, "Exit", "&Exit", "");
  a.newContact =
      Make(owner, "NewContact", "&New contact...", "Add new contact", {}, QStyle::SP_FileDialogNewFolder);
  a.editContact =
      Make(owner, "EditContact", "&Edit...", "Edit selected contact", {}, QStyle::SP_FileDialogDetailedView);
  a.deleteContact =
      Make(owner, "DeleteContact", "&Delete contact", "Delete selected contact", {}, QStyle::SP_TrashIcon);
  for (const char* caption :
       {"Accounts tab", "&Contacts tab", "&Last operations tab", "&Gold Directory tab"}) {
    QAction* item = Make(owner, "", caption, "");
    item->setCheckable(true);
    item->setChecked(true);
    a.viewTabs.append(item);
  }
  a.help = Make(owner, "OnlineHelp", "&Online help...", "", QKeySequence(Qt::Key_F1));
  a.webSite = Make(owner, "VisitWebSite", "&Visit web site...", "");
  a.about = Make(owner, "About", "&About...", "");
  return a;
}

}  // namespace nummora
