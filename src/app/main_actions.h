#pragma once
// The main window's commands as actions, each with its caption, hint and shortcut. Their
// enabled states are set by the main window from ComputeAccountActionStates.
#include <QList>

class QAction;
class QObject;

namespace nummora {

struct MainActions {
  QAction* New = nullptr;
  QAction* Delete = nullptr;
  QAction* Info = nullptr;
  QAction* Balance = nullptr;
  QAction* UpdateAll = nullptr;
  QAction* Spend = nullptr;
  QAction* ViewHistory = nullptr;
  QAction* CopyNumber = nullptr;
  QAction* Moveup = nullptr;
  QAction* Movedown = nullptr;
  QAction* Preferences = nullptr;
  QAction* actImport = nullptr;
  QAction* actExport = nullptr;
  QAction* Exit = nullptr;
  QAction* NewContact = nullptr;
  QAction* EditContact = nullptr;
  QAction* DeleteContact = nullptr;
  QList<QAction*> viewTabs;  // the four checked items of the View menu
  QAction* Help = nullptr;
  QAction* WebSite = nullptr;
  QAction* About = nullptr;
};

// Creates every action as a child of `owner`.
MainActions CreateMainActions(QObject* owner);

}  // namespace nummora
