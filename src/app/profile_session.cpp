#include "app/profile_session.h"

#include <filesystem>

#include "common/errors.h"
#include "common/secure_memory.h"
#include "platform/settings_store.h"
#include "profile/document.h"

namespace nummora {

namespace {
constexpr const char* kNotRead = "The profile has not been read, so it cannot be written.";
}  // namespace

ProfileSession::ProfileSession(SettingsStore* store, std::string profileName, ProfileKey key,
                               std::string profileText, ProfileModel& model, const FormatSettings& regional,
                               std::function<void(const std::string&)> log)
    : store_(store),
      profileName_(std::move(profileName)),
      key_(std::move(key)),
      profileText_(std::move(profileText)),
      model_(model),
      regional_(regional),
      log_(std::move(log)) {
  ReloadSettings();
}

ProfileSession::~ProfileSession() {
  SecureWipe(profileText_);
}

void ProfileSession::ReloadSettings() {
  if (store_) settings_ = ReadProfileSettings(*store_, profileName_);
}

std::optional<std::vector<int>> ProfileSession::Load(std::string* error) {
  try {
    ProfileLoadResult result = LoadProfile(model_, profileText_, regional_);
    loaded_ = true;
    SecureWipe(profileText_);
    return std::move(result.refresh_positions);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return std::nullopt;
  }
}

bool ProfileSession::Save(std::string* error) {
  try {
    // A profile that was not read (unreadable, or the window never showed) is left as it is on
    // disk: writing an empty model over it would lose every account.
    if (!loaded_) return true;
    ReloadSettings();
    if (key_.Password().empty()) return true;  // nothing to save with
    if (settings_.dataFile.empty()) throw NummoraError("No data file is set for profile " + profileName_);
    SaveProfile(model_, key_, settings_.dataFile, settings_.savePassPhrase, regional_);
    return true;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

std::optional<std::string> ProfileSession::SaveUnder(ProfileKey key) {
  ProfileKey previous = std::move(key_);
  key_ = std::move(key);
  std::string error;
  if (!Save(&error)) {
    key_ = std::move(previous);
    return error;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileSession::ChangePassword(const std::string& newPassword) {
  // Written at once under the new password, so the file never waits under one the user has
  // just given up. The new key gets a new salt (and today's derivation parameters) at that save.
  if (!loaded_) return std::string(kNotRead);
  return SaveUnder(ProfileKey(newPassword, key_.Format()));
}

std::optional<std::string> ProfileSession::SetStrongProtection(bool strong) {
  const ProfileFormat format = strong ? ProfileFormat::kStrong : ProfileFormat::kLegacy;
  if (key_.Format() == format) return std::nullopt;
  if (!loaded_) return std::string(kNotRead);
  return SaveUnder(ProfileKey(key_.Password(), format));
}

std::optional<std::string> ProfileSession::MoveDataFile(const std::string& from, const std::string& to) {
  if (!loaded_) return std::string("The profile has not been read, so it cannot be written elsewhere.");
  if (key_.Password().empty()) return std::string("The profile has no password to be written with.");
  try {
    // The profile is written at the new place first; the old file goes only once it is there.
    SaveProfile(model_, key_, to, settings_.savePassPhrase, regional_);
  } catch (const std::exception& e) {
    return std::string(e.what());
  }
  std::error_code ec;
  if (!from.empty() && !std::filesystem::equivalent(from, to, ec)) {
    std::filesystem::remove(from, ec);
    if (ec && log_) log_("The old profile file " + from + " could not be removed: " + ec.message());
  }
  settings_.dataFile = to;
  return std::nullopt;
}

}  // namespace nummora
