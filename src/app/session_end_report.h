#pragma once
// Telling the user that the profile could not be saved as the session ends. The events list
// goes with the program a moment later, so the failure goes to stderr (the session's log) and to
// a desktop notification (org.freedesktop.Notifications on the session bus, when there is one).
#include <string>

namespace nummora {

// The title of the notification.
inline constexpr const char* kSessionSaveFailedTitle = "The profile was not saved";

// Writes the error to stderr and shows it as a critical desktop notification. Waits up to
// `waitMs` for the notification service to take it, since the program ends right after.
void ReportFailedSessionSave(const std::string& error, int waitMs = 2000);

}  // namespace nummora
