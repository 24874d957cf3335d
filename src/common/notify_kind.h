#pragma once
// The kinds of a notification: they choose the icon of the message box or the balloon that
// shows it. Workers, dialogs and the main window pass them as they are.
namespace nummora {

enum class NotifyKind : int { Warning = 0, Error = 1, Information = 2, Confirmation = 3, Plain = 4 };

}  // namespace nummora
