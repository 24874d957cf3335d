#pragma once
// The settings store: a registry of keys and typed values kept in one SQLite database in the
// configuration folder. It offers the operations of a registry object with a current key:
//
//   SettingsStore reg;                       // settings.db in the configuration folder
//   reg.SetRootKey(RootKey::LocalMachine);
//   if (reg.OpenKey("\\Software\\Quillan\\Nummora\\" + name, false))
//     path = reg.ReadString("");             // the key's default (unnamed) value
//   reg.WriteBool("Metals", true);
//   reg.CloseKey();
//
// Keys form a tree below three roots. A path is a list of key names separated by "\"; a path
// that begins with "\" starts at the root, any other path starts at the current key (at the root
// when no key is open). Empty names between separators are skipped, so a trailing "\" does no
// harm. Key names and value names compare without regard to ASCII case and keep the case they
// were created with. The empty value name stands for the key's default value.
//
// Values are typed: text (bytes, kept exactly) or a 32-bit integer; booleans are integers, true
// for any non-zero value. Reading an integer or boolean that is missing or holds text, or text
// that holds an integer, throws SettingsError; a missing text value reads as empty text.
//
// Several processes may use the same database at once: every operation is one transaction, the
// database runs in WAL mode, and an operation that finds the database locked by another process
// waits and tries again (for up to 15 seconds) instead of failing. An object is used by one
// thread at a time (the main thread owns it).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"

struct sqlite3;

namespace nummora {

class SettingsError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine };

// The kind of a stored value; None when the value does not exist.
enum class ValueKind { None, Text, Integer };

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
const char* RootKeyName(RootKey root);

class SettingsStore {
 public:
  // The database file "settings.db" in the configuration folder.
  SettingsStore();
  // The given database file, created (mode 0600) when missing. Throws SettingsError when the
  // file cannot be opened or is not a settings database.
  explicit SettingsStore(const std::filesystem::path& databaseFile);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  static std::filesystem::path DefaultFile();

  // Choosing another root closes the current key. The root starts as CurrentUser.
  void SetRootKey(RootKey root);
  RootKey GetRootKey() const { return root_; }

  // Makes the key at `path` the current key. With `create` missing keys are created on the way;
  // without it a missing key leaves the current key as it was and returns false.
  bool OpenKey(const std::string& path, bool create);
  void CloseKey();
  bool HasCurrentKey() const { return currentId_ != 0; }
  // The current key's path below the root, names as stored, separated by "\" ("" at the root
  // or with no key open).
  std::string CurrentPath() const;

  // Whether the key at `path` exists (relative paths start at the current key).
  bool KeyExists(const std::string& path);
  // Deletes the key at `path` with all its subkeys and values; false when it did not exist or
  // names the root. A current key that was deleted this way (or by another process) makes later
  // value operations fail.
  bool DeleteKey(const std::string& path);

  // Names of the current key's subkeys, ordered without regard to case.
  std::vector<std::string> GetKeyNames();
  // Names of the current key's values, in the order they were first written.
  std::vector<std::string> GetValueNames();
  bool HasSubKeys();

  // Value operations on the current key. With no key open (or a deleted one) writes throw and
  // ValueExists answers false.
  bool ValueExists(const std::string& name);
  ValueKind GetValueKind(const std::string& name);
  std::string ReadString(const std::string& name);
  int32_t ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  // The integer value, or nothing when it is missing or not an integer.
  std::optional<int32_t> TryReadInteger(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);
  // False when the value did not exist.
  bool DeleteValue(const std::string& name);

 private:
  struct Stmt;
  class Transaction;

  // A value as read in one transaction.
  struct StoredValue {
    ValueKind kind = ValueKind::None;
    std::string text;
    std::optional<int32_t> number;  // set for a well-formed integer
  };

  void OpenDatabase(const std::filesystem::path& file);
  void SetUp(const std::filesystem::path& file);
  std::vector<std::string> ListNames(const char* sql);
  StoredValue FindValue(const std::string& name);
  void Exec(const char* sql);
  int64_t RootId(RootKey root, bool create);
  int64_t FindChild(int64_t parent, const std::string& name);
  int64_t CreateChild(int64_t parent, const std::string& name);
  // Resolves a path to a key id, creating missing keys when asked; 0 when missing.
  int64_t Resolve(const std::string& path, bool create, std::vector<std::string>* names);
  bool KeyAlive(int64_t id);
  int64_t CurrentForValues(const std::string& name, bool forWrite);
  void WriteValue(const std::string& name, int kind, const std::string* text, int64_t number);

  sqlite3* db_ = nullptr;
  RootKey root_ = RootKey::CurrentUser;
  int64_t currentId_ = 0;
  std::vector<std::string> currentNames_;
};

}  // namespace nummora
