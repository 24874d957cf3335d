#pragma once
// The program's pictures, drawn at run time so that the program needs no image files.
#include <QIcon>

namespace nummora {

// The program and tray icon: a gold coin with an "N".
QIcon ProgramIcon();
// The accounts-list icon of an account type: 0 e-gold (a gold coin), 1 Liberty Reserve.
QIcon AccountTypeIcon(int type);
// The picture of the small "Virtual Keyboard" buttons.
QIcon KeyboardIcon();

}  // namespace nummora
