#include "app/notify_text.h"

namespace nummora {

std::string NotifyBoxText(const std::string& title, const std::string& text) {
  return title + ":\r\n" + text;
}

std::string BalloonTitle(const std::string& title) {
  return title.substr(0, kBalloonTitleLimit);
}

std::string BalloonText(const std::string& text) {
  return text.substr(0, kBalloonTextLimit);
}

}  // namespace nummora
