#pragma once
// Texts of the notifications the main window shows: the message-box text and the limits of a
// tray balloon.
#include <string>

#include "common/notify_kind.h"

namespace nummora {

inline constexpr std::size_t kBalloonTitleLimit = 63;
inline constexpr std::size_t kBalloonTextLimit = 255;
inline constexpr int kBalloonTimeoutMs = 60000;

// The text of the message box: title, ":", CR LF, text (a lone ":" line for an empty title).
std::string NotifyBoxText(const std::string& title, const std::string& text);
// The first 63 characters of a balloon title, the first 255 of a balloon text.
std::string BalloonTitle(const std::string& title);
std::string BalloonText(const std::string& text);

}  // namespace nummora
