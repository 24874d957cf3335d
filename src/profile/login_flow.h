#pragma once
// The steps of the login and of creating a new profile, without windows: the profile list
// with the last choice, a login attempt with its outcomes, the rules that enable "&OK", and
// the creation of a new profile file with its settings-store key.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "profile/profile_open.h"

namespace nummora {

class SettingsStore;

struct ProfileList {
  std::vector<std::string> names;  // in the order the settings store lists them
  int selected = -1;               // from "LastUser"; -1 when it is missing or past the end
};

// Opens the profiles key (creating it), lists its subkeys and reads "LastUser".
ProfileList ReadProfileList(SettingsStore& store);

// A profile password has at least this many characters.
inline constexpr std::size_t kMinProfilePasswordLength = 3;

// "&OK" of the login: a profile is selected and the password has at least 3 characters.
bool LoginOkEnabled(int selected, const std::string& password);
// "&OK" of the new profile: a name, a password of at least 3 characters, the same confirmation.
bool NewProfileOkEnabled(const std::string& name, const std::string& password,
                         const std::string& confirmation);

enum class LoginOutcome {
  Success,        // text holds the document; the store is left open at the profile key
  FileMissing,    // "Data file not found"; the profile's key was deleted
  Empty,          // "Error loading profile"
  WrongPassword,  // the balloon; `hint` holds the stored hint
  Damaged,        // "File is damaged"
  Unreadable,     // the file or the document could not be read: `message` says why
};

struct LoginResult {
  LoginOutcome outcome = LoginOutcome::Unreadable;
  std::string text;     // the deciphered document on success
  ProfileKey key;       // on success: the password and the file's format (and strong key)
  std::string hint;     // the password hint, for a wrong password
  std::string message;  // the text of the error box (all outcomes but Success and WrongPassword)
};

// One login attempt for the profile at `position` of the list, named `name`: writes
// "LastUser", opens the file (OpenProfileFile; `read` replaces the real reading in tests) and
// checks that the whole document can be read, so that a profile the program could not save
// back completely is never opened. Only a file that does not exist removes the profile's key;
// any other failure to reach the file is reported as Unreadable with its reason and changes
// nothing.
LoginResult AttemptLogin(SettingsStore& store, int position, const std::string& name,
                         const std::string& password, const FormatSettings& regional,
                         const ProfileReader& read = {});

// The lines of the wrong-password balloon.
std::vector<std::string> WrongPasswordLines(const std::string& hint, bool capsLockOn);

// Why a name cannot be a profile name (empty after trimming blanks, "." or "..", or holding
// "/", "\" or a NUL character); nothing when it can.
std::optional<std::string> ProfileNameProblem(const std::string& name);
// Whether a profile of this name is known already (names compare without regard to case).
bool ProfileExists(SettingsStore& store, const std::string& name);
// The file of a new profile: the data folder, the name and ".nmr".
std::filesystem::path NewProfilePath(const std::string& name);
// Why no new profile file can be made at `path`: a file (or anything else) is there already,
// or the path cannot be checked; nothing when the path is free. A profile file is never
// overwritten by a new profile.
std::optional<std::string> NewProfileFileProblem(const std::filesystem::path& path);
// Writes the empty document enciphered with the key (in its format) to the profile's file and
// records the file and the hint in the profile's key. Throws EProfileFileError, before anything
// is written or recorded, when NewProfileFileProblem finds one; throws on any other failure
// (nothing is recorded then). The key keeps what it derived, for the saves that follow.
void CreateProfile(SettingsStore& store, const std::string& name, ProfileKey& key, const std::string& hint);
// The same with the password, in the strong format unless `format` says otherwise.
void CreateProfile(SettingsStore& store, const std::string& name, const std::string& password,
                   const std::string& hint, ProfileFormat format = ProfileFormat::kStrong);

}  // namespace nummora
