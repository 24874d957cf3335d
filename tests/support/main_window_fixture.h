#pragma once
// Builds a main window over a private settings store and profile file, with a clock, message
// boxes and a balloon notifier that the test controls.
#include <QTreeView>
#include <QTreeWidget>
#include <memory>

#include "app/main_window.h"
#include "app/tray.h"
#include "app/window_services.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/profile_file.h"
#include "profile/profile_settings.h"
#include "support/app_test_support.h"
#include "support/main_window_access.h"

namespace nummora::test {

class FakeClock : public Clock {
 public:
  TDateTime now = EncodeDateTime(2024, 3, 1, 12, 0, 0);
  TDateTime Now() const override { return now; }
  int UtcBiasMinutes(TDateTime) const override { return 0; }
};

struct Balloon {
  NotifyKind kind;
  QString title;
  QString text;
};

class RecordingNotifier : public BalloonNotifier {
 public:
  void ShowBalloon(NotifyKind kind, const QString& title, const QString& text, int) override {
    balloons.push_back({kind, title, text});
  }
  bool CanHideToTray() const override { return trayAvailable; }
  std::vector<Balloon> balloons;
  bool trayAvailable = true;
};

inline AccountRecord MakeAccount(int type, const std::string& name, const std::string& id,
                                 double updated = 0) {
  AccountRecord a;
  a.Type = static_cast<AccountType>(type);
  a.Name = name;
  a.ID = id;
  a.Updated = updated;
  if (type == 1) a.APIname = "api";
  return a;
}

using Access = MainWindowTestAccess;

inline QTreeView* AccountsList(MainWindow& w) {
  return w.findChild<QTreeView*>(QStringLiteral("List"));
}
// The text of a cell of a list, as its model gives it.
inline QString Cell(const QAbstractItemView* list, int row, int column) {
  return list->model()->index(row, column).data().toString();
}
inline int RowCount(const QAbstractItemView* list) {
  return list->model()->rowCount();
}

// Selects a row of the accounts list as a click does; -1 clears the selection.
inline void SelectRow(MainWindow& w, int row) {
  QTreeView* list = AccountsList(w);
  if (row < 0) {
    list->clearSelection();
    return;
  }
  list->setCurrentIndex(list->model()->index(row, 0));
}

// The network side of the window stood in for: payment dialogs are recorded, not opened.
struct RecordingWindowServices : WindowServices {
  void OpenPaymentDialog(const PaymentLinkFields& fields) override { opened.push_back(fields); }
  std::optional<Currency> EgoldValue(const AccountRecord&) override { return Currency(0); }
  void OpenHistory(const AccountRecord&) override {}
  void RequestRates() override {}
  std::vector<PaymentLinkFields> opened;
};

class MainWindowFixture {
 public:
  static constexpr const char* kProfile = "alice";
  static constexpr const char* kPassword = "secret1";

  MainWindowFixture() {
    storeFile = (home.Path() + "/settings.db").toStdString();
    QDir().mkpath(home.Path());
    store = std::make_unique<SettingsStore>(storeFile);
    dataFile = (home.Path() + "/alice.nmr").toStdString();
    store->SetRootKey(RootKey::LocalMachine);
    store->OpenKey(ProfileKeyPath(kProfile), true);
    store->WriteString("", dataFile);
  }

  // The profile's key: its file is in the legacy format, as WriteProfile writes it.
  static ProfileKey Key() { return ProfileKey(kPassword, ProfileFormat::kLegacy); }

  // Writes a document with the given accounts as the profile's file and returns its text.
  std::string WriteProfile(const std::vector<AccountRecord>& accounts) {
    ProfileModel m;
    for (const AccountRecord& a : accounts) m.AppendAccount(a);
    const std::string text = BuildProfileDocument(m, true, UsEnglishFormatSettings());
    EncipherToFile(dataFile, text, kPassword);
    return text;
  }

  std::unique_ptr<MainWindow> Open(const std::string& text) {
    MainWindowSetup setup;
    setup.store = store.get();
    setup.storeFile = storeFile;
    setup.profileName = kProfile;
    setup.profileKey = Key();
    setup.profileText = text;
    setup.clock = &clock;
    setup.boxes = &boxes;
    setup.notifier = &notifier;
    setup.openUrl = browser;
    return std::make_unique<MainWindow>(std::move(setup));
  }

  // The accounts in the profile file, in document order.
  std::vector<AccountRecord> SavedAccounts() {
    return ReadProfileDocument(DecipherFile(dataFile, kPassword), UsEnglishFormatSettings()).accounts;
  }

  TempHome home;
  std::filesystem::path storeFile;
  std::unique_ptr<SettingsStore> store;
  std::string dataFile;
  FakeClock clock;
  RecordingBoxes boxes;
  RecordingNotifier notifier;
  std::function<bool(const QUrl&)> browser;  // the web browser of windows opened; empty: the desktop's
};

}  // namespace nummora::test
