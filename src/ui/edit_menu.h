#pragma once
// The context menu shared by the edit fields of the dialogs: "&Undo", "Cu&t", "&Copy",
// "&Paste", "&Delete" and "Select &All", acting on the field it was opened on.
class QLineEdit;
class QMenu;

namespace nummora {

// Builds the menu for a field, each item enabled as the field allows.
QMenu* CreateEditMenu(QLineEdit* field);
// Gives the field this menu as its context menu.
void InstallEditMenu(QLineEdit* field);

}  // namespace nummora
