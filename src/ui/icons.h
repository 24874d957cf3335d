#pragma once
// The program's pictures: its icon from the pictures built into it, the small ones drawn at
// run time.
#include <QIcon>

#include "common/account_type.h"

namespace nummora {

// The program and tray icon: a gold coin with an "N" (the icon of the installed desktop entry).
QIcon ProgramIcon();
// The accounts-list icon of an account type: 0 e-gold (a gold coin), 1 Liberty Reserve.
QIcon AccountTypeIcon(AccountType type);
// The picture of the small "Virtual Keyboard" buttons.
QIcon KeyboardIcon();

}  // namespace nummora
