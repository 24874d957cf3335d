#include "app/startup.h"

#include <QEvent>
#include <QSessionManager>
#include <QTimer>
#include <functional>

#include "app/application.h"
#include "app/instance_lock.h"
#include "app/main_window.h"
#include "app/main_window_host.h"
#include "app/regional_formats.h"
#include "app/scheme_registration.h"
#include "app/session_end_report.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "common/secure_memory.h"
#include "desktop/link_handler.h"
#include "platform/settings_store.h"
#include "profile/login_dialog.h"
#include "ui/events_window.h"

namespace nummora {
namespace {

// Runs a task once, right after the first window has been put on the screen, unless it goes out
// of scope before that.
class AfterFirstExpose : public QObject {
 public:
  AfterFirstExpose(QCoreApplication& app, std::function<void()> task) : app_(app), task_(std::move(task)) {
    app_.installEventFilter(this);
  }
  ~AfterFirstExpose() override { app_.removeEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Expose) {
      app_.removeEventFilter(this);
      QTimer::singleShot(0, this, task_);
    }
    return false;
  }

 private:
  QCoreApplication& app_;
  std::function<void()> task_;
};

}  // namespace

int RunNummora(NummoraApplication& app, const std::optional<std::string>& link) {
  std::unique_ptr<SettingsStore> store;
  try {
    store = std::make_unique<SettingsStore>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "nummora: %s\n", e.what());
    return 1;
  }

  // 1. The nmr link scheme. The desktop files are checked once the login dialog is on the
  // screen: nothing needs them before, and on a first start their writing would delay it.
  const std::string executable = QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
  try {
    RegisterSchemeEntries(*store, executable);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "nummora: %s\n", e.what());
  }
  store->SetRootKey(RootKey::LocalMachine);

  // 2. Another instance runs when it holds the lock and its main window answers.
  const QString socket = QString::fromLocal8Bit(InstanceSocketPath().c_str());
  InstanceLock lock;
  const bool holdsLock = lock.Acquire(InstanceLockPath());
  if (!holdsLock && RunningWindowAnswers(socket)) {
    // 3. Hand the link over and end.
    HandOverToRunningInstance(socket, link, *store);
    return 0;
  }

  // 4. Login.
  const FormatSettings regional = SystemRegionalSettings();
  MainWindowSetup setup;
  setup.store = store.get();
  setup.regional = regional;
  setup.commandLineLink = link;
  setup.instanceSocket = socket;
  // An installed program's desktop entry handles nmr links already: nothing goes into the
  // user's folders. A program run from a build tree registers itself for the user.
  const AfterFirstExpose installDesktopFiles(app, [executable] {
    if (!RunsFromInstallation(executable)) InstallSchemeHandler(executable);
  });
  if (!RunLogin(*store, regional, setup.profileName, setup.profileKey, setup.profileText)) return 0;

  // 5.-7. The main window and the message loop.
  MainWindow window(std::move(setup));
  MainWindowHost* host = InstallNetworkWorkers(window);
  window.CreatePreferences(host, executable);
  app.SetErrorSink([&window](const std::string& message) { window.Events()->AddLine(message); });
  QObject::connect(&window, &MainWindow::Closed, &app, &QCoreApplication::quit);
  // The session ends: save, and since the program (and its events list) goes right after, a
  // failure is told outside the program.
  const auto endSession = [&window] {
    std::string error;
    if (!window.SessionEnding(&error)) ReportFailedSessionSave(error);
  };
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [endSession](QSessionManager&) { endSession(); });
  // Ended from outside (kill, Ctrl+C, a lost terminal): save like a session end, then leave
  // at once. (quit() would close the main window, which saves again and, when saving fails,
  // asks the user a question nobody is there to answer.)
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::requested, &app, [endSession](int) {
    endSession();
    QCoreApplication::exit(0);
  });
  window.show();
  window.NoteProfileProtection();
  const int code = app.exec();
  app.SetErrorSink({});
  // 8.-9. The lock and the store go with their objects.
  return code;
}

}  // namespace nummora
