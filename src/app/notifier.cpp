#include "app/notifier.h"

#include <QTimer>
#include <QWidget>

#include "app/tray.h"
#include "preferences/hotkey_manager.h"
#include "ui/latin1.h"
#include "ui/message_box.h"

namespace nummora {

namespace {
MessageIcon BoxIconOf(NotifyKind kind) {
  switch (kind) {
    case NotifyKind::Warning:
      return MessageIcon::Warning;
    case NotifyKind::Error:
      return MessageIcon::Error;
    case NotifyKind::Information:
      return MessageIcon::Information;
    case NotifyKind::Confirmation:
      return MessageIcon::Question;
    case NotifyKind::Plain:
      break;
  }
  return MessageIcon::None;
}
}  // namespace

Notifier::Notifier(QWidget& window, BalloonNotifier* balloons, MessageBoxes* boxes, QAction* spend,
                   QAction* updateAll)
    : QObject(&window), window_(window), boxes_(boxes), balloons_(balloons) {
  setObjectName(QStringLiteral("notifier"));
  if (!balloons_) {
    tray_ = new Tray([this] { return hiddenInTray_; }, this);
    tray_->SetMenuActions(spend, updateAll);
    connect(tray_, &Tray::ToggleRequested, this, &Notifier::ToggleWindow);
    connect(tray_, &Tray::BalloonClicked, this, &Notifier::ShowWindow);
    connect(tray_, &Tray::ExitRequested, this, &Notifier::ExitRequested);
    balloons_ = tray_;
  }
  hotkeys_ = new HotkeyManager(this);
  connect(hotkeys_, &HotkeyManager::HotkeyPressed, this,
          [this](int value, int) { emit HotkeyPressed(value); });
}

void Notifier::Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) {
  const bool shown = window_.isVisible() && !window_.isMinimized() && !hiddenInTray_;
  if (shown && asDialog) {
    BoxesOrSystem(boxes_).Show(&window_, BoxIconOf(kind), FromLatin1(NotifyBoxText(title, text)));
    return;
  }
  balloons_->ShowBalloon(kind, FromLatin1(BalloonTitle(title)), FromLatin1(BalloonText(text)),
                         kBalloonTimeoutMs);
  emit HintChanged(FromLatin1(text));
}

void Notifier::ShowWindow() {
  if (window_.isMinimized()) window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.show();
  window_.raise();
  window_.activateWindow();
  hiddenInTray_ = false;
}

void Notifier::HideWindow() {
  if (!balloons_->CanHideToTray()) return;  // nowhere to come back from
  window_.hide();
  hiddenInTray_ = true;
}

void Notifier::ToggleWindow() {
  if (hiddenInTray_)
    ShowWindow();
  else
    HideWindow();
}

void Notifier::WindowShown() {
  // A window system may report a late show for a window that was hidden meanwhile.
  if (window_.isVisible()) hiddenInTray_ = false;
}

void Notifier::WindowMinimized() {
  // Minimising hides the window (and its taskbar button) into the tray.
  if (balloons_->CanHideToTray()) QTimer::singleShot(0, this, &Notifier::HideWindow);
}

void Notifier::Reveal() {
  if (tray_) tray_->Reveal();
}

}  // namespace nummora
