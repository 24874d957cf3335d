#pragma once
// The main window's commands as actions, each with its caption, hint and shortcut. Their
// enabled states are set by the main window from ComputeAccountActionStates.
#include <QList>

class QAction;
class QObject;

namespace nummora {

struct MainActions {
  QAction* newAccount = nullptr;
  QAction* deleteAccount = nullptr;
  QAction* info = nullptr;
  QAction* balance = nullptr;
  QAction* updateAll = nullptr;
  QAction* spend = nullptr;
  QAction* viewHistory = nullptr;
  QAction* copyNumber = nullptr;
  QAction* moveUp = nullptr;
  QAction* moveDown = nullptr;
  QAction* preferences = nullptr;
  QAction* importAccounts = nullptr;
  QAction* exportAccounts = nullptr;
  QAction* exit = nullptr;
  QAction* newContact = nullptr;
  QAction* editContact = nullptr;
  QAction* deleteContact = nullptr;
  QList<QAction*> viewTabs;  // the four checked items of the View menu
  QAction* help = nullptr;
  QAction* webSite = nullptr;
  QAction* about = nullptr;
};

// Creates every action as a child of `owner`.
MainActions CreateMainActions(QObject* owner);

}  // namespace nummora
