// Fuzz target for the import of preferences: any bytes read as a settings file whose
// preferences are written into a profile key of a settings store, as the import dialog does.
// Either the import refuses them (ImportStop) and writes nothing, or every value it wrote loads
// again the way the preferences dialog loads them, with the file's proxy and hotkeys, and passes
// the checks the dialog makes before it saves.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/ini_file.h"
#include "platform/settings_store.h"
#include "preferences/preference_values.h"
#include "preferences/settings_transfer.h"
#include "profile/profile_settings.h"

using namespace nummora;

namespace {
constexpr const char* kSentinel = "before the import";

// One store for the whole run, in a private temporary folder removed at exit; in memory
// (/dev/shm) where there is one, since every write of the store is synced to its disk.
SettingsStore& Store() {
  static const std::filesystem::path folder = [] {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "nummora-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    return std::filesystem::path(pattern);
  }();
  static SettingsStore store(folder / "settings.db");
  static const bool cleanup = [] {
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    });
    return true;
  }();
  (void)cleanup;
  return store;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SettingsStore& store = Store();
  store.SetRootKey(RootKey::LocalMachine);
  store.OpenKey(ProfileKeyPath("fuzz"), true);
  // A profile key as the preferences leave it, with a value the import must not touch when it
  // refuses.
  ProfileSettings defaults;
  defaults.proxyHost = kSentinel;
  WriteGeneralPreferences(store, defaults);
  WriteHotkeyPreferences(store, defaults);
  store.WriteInteger("Fiat", 0);

  const IniFile ini = IniFile::Parse(std::string(reinterpret_cast<const char*>(data), size));
  const ImportedPreferences expected = ReadImportedPreferences(ini);
  const bool refused = ImportedPreferencesProblem(expected).has_value();
  try {
    ImportPreferences(ini, store);
  } catch (const ImportStop&) {
    if (!refused || store.ReadString("ProxyHost") != kSentinel) abort();
    return 0;
  }
  if (refused) abort();

  ProfileSettings loaded;
  if (!ReadGeneralPreferences(store, loaded)) abort();
  if (!ReadHotkeyPreference(store, "HotkeyBalance", loaded.hotkeyBalance) ||
      !ReadHotkeyPreference(store, "HotkeySpend", loaded.hotkeySpend))
    abort();
  if (PreferenceProblem(loaded)) abort();
  if (loaded.useProxy != expected.useProxy || loaded.proxyHost != expected.proxyHost ||
      loaded.proxyPort != expected.proxyPort || loaded.proxyUser != expected.proxyUser ||
      loaded.proxyPasswd != expected.proxyPasswd)
    abort();
  if (loaded.fiat != expected.fiat.value_or(0) || loaded.fiat < 0 || loaded.fiat > 1) abort();
  if (loaded.hotkeyBalance != std::max(0, expected.hotkeyBalance) ||
      loaded.hotkeySpend != std::max(0, expected.hotkeySpend))
    abort();
  return 0;
}
