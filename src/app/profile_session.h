#pragma once
// The open profile of one run: its key and data file, the shell settings read with it, and the
// operations that read or write the file (load, save, password change, switch between the strong
// and the legacy format, move of the data file). It writes into a model it is given; it knows
// nothing of windows.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "profile/model.h"
#include "profile/profile_key.h"
#include "profile/profile_settings.h"

namespace nummora {

class SettingsStore;

class ProfileSession {
 public:
  // `store` may be null (no settings: defaults, and no data file to save to). `log` receives
  // notes that are not errors of the operation itself (an old file that could not be removed).
  ProfileSession(SettingsStore* store, std::string profileName, ProfileKey key, std::string profileText,
                 ProfileModel& model, const FormatSettings& regional,
                 std::function<void(const std::string&)> log);
  ~ProfileSession();
  ProfileSession(const ProfileSession&) = delete;
  ProfileSession& operator=(const ProfileSession&) = delete;

  const std::string& ProfileName() const { return profileName_; }
  const ProfileSettings& Settings() const { return settings_; }
  // Reads the shell settings again from the store (after the preferences were applied).
  void ReloadSettings();
  void SetOnTop(bool onTop) { settings_.onTop = onTop; }
  const std::string& Password() const { return key_.Password(); }
  bool Strong() const { return key_.Format() == ProfileFormat::kStrong; }
  // A legacy-format profile with a password: protected by the old 40-bit cipher only.
  bool WeaklyProtected() const { return key_.Format() == ProfileFormat::kLegacy && !key_.Password().empty(); }
  // Whether the document was read into the model: only then is the profile ever written.
  bool Loaded() const { return loaded_; }

  // Reads the login's document into the model and wipes the text. Returns the positions to
  // refresh at start, or nothing with `error` set when the document could not be read.
  std::optional<std::vector<int>> Load(std::string* error);
  // Writes the profile to its data file; false (with `error` set) when that failed. Writes
  // nothing, and succeeds, when the profile was never loaded or has no password.
  bool Save(std::string* error = nullptr);
  // Each returns the reason of a refusal or failure, and leaves the key as it was then.
  std::optional<std::string> ChangePassword(const std::string& newPassword);
  // Writes the profile at once in the strong format, or with `strong` false in the legacy one.
  std::optional<std::string> SetStrongProtection(bool strong);
  std::optional<std::string> MoveDataFile(const std::string& from, const std::string& to);

 private:
  // Puts `key` in force and saves under it; the previous key comes back when the save fails.
  std::optional<std::string> SaveUnder(ProfileKey key);

  SettingsStore* store_;
  std::string profileName_;
  ProfileKey key_;
  std::string profileText_;
  ProfileModel& model_;
  FormatSettings regional_;
  std::function<void(const std::string&)> log_;
  ProfileSettings settings_;
  bool loaded_ = false;
};

}  // namespace nummora
