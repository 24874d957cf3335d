#include "platform/settings_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "platform/paths.h"

namespace nummora {
namespace {

constexpr int kKindText = 1;     // as REG_SZ
constexpr int kKindInteger = 4;  // as REG_DWORD
// How long one statement waits for another connection's lock inside SQLite.
constexpr int kBusyTimeoutMs = 5000;
// How long an operation keeps retrying when SQLite reports a lock it does not wait for (the
// switch to WAL, a WAL index being rebuilt, a lock upgrade that would deadlock).
constexpr auto kRetryFor = std::chrono::seconds(15);
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
// Marks the database as ours ("NMRS"); a database with another id is refused.
constexpr int kApplicationId = 0x4E4D5253;

const RootKey kRoots[] = {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine};

std::string Fold(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

// The database is locked by another connection; the whole operation may be tried again.
class SettingsBusy : public SettingsError {
 public:
  SettingsBusy() : SettingsError("The settings database is busy") {}
};

bool IsBusy(int rc) {
  return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

// Runs `operation` (which opens and ends its own transaction) until it gets through without a
// busy lock, sleeping a little longer after each failed try, with some spread so that two
// processes that collided do not collide again in step. Gives up after kRetryFor.
template <typename Operation>
auto RetryWhileBusy(Operation operation) {
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + kRetryFor;
  std::minstd_rand spread(static_cast<unsigned>(::getpid() ^ start.time_since_epoch().count()));
  int pauseUs = 500;
  for (;;) {
    try {
      return operation();
    } catch (const SettingsBusy&) {
      if (std::chrono::steady_clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(pauseUs / 2 + spread() % pauseUs));
    pauseUs = std::min(pauseUs * 2, 50000);
  }
}

}  // namespace

const char* RootKeyName(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser:
      return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
  }
  return "";
}

// A prepared statement that finalises itself.
struct SettingsStore::Stmt {
  sqlite3* db;
  sqlite3_stmt* stmt = nullptr;

  Stmt(sqlite3* database, const char* sql) : db(database) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (IsBusy(rc)) throw SettingsBusy();
    if (rc != SQLITE_OK) throw SettingsError(std::string("Settings database error: ") + sqlite3_errmsg(db));
  }
  ~Stmt() { sqlite3_finalize(stmt); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int index, int64_t value) {
    sqlite3_bind_int64(stmt, index, value);
    return *this;
  }
  Stmt& BindBytes(int index, const std::string& value) {
    // Names and texts are bytes (ISO-8859-1), kept exactly: stored as blobs, never as UTF-8.
    sqlite3_bind_blob64(stmt, index, value.data(), value.size(), SQLITE_TRANSIENT);
    return *this;
  }
  // True when a row is ready, false when the statement is done.
  bool Step() {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    if (IsBusy(rc)) throw SettingsBusy();
    throw SettingsError(std::string("Settings database error: ") + sqlite3_errmsg(db));
  }
  int64_t Int(int col) const { return sqlite3_column_int64(stmt, col); }
  int Type(int col) const { return sqlite3_column_type(stmt, col); }
  std::string Bytes(int col) const {
    const void* data = sqlite3_column_blob(stmt, col);
    int size = sqlite3_column_bytes(stmt, col);
    if (!data || size <= 0) return std::string();
    return std::string(static_cast<const char*>(data), static_cast<size_t>(size));
  }
};

// One transaction around each public operation; rolled back unless committed.
class SettingsStore::Transaction {
 public:
  Transaction(SettingsStore& store, bool write) : store_(store) {
    store_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
  }
  ~Transaction() {
    if (!done_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    store_.Exec("COMMIT");
    done_ = true;
  }

 private:
  SettingsStore& store_;
  bool done_ = false;
};

SettingsStore::SettingsStore() : SettingsStore(DefaultFile()) {}

SettingsStore::SettingsStore(const std::filesystem::path& databaseFile) {
  try {
    OpenDatabase(databaseFile);
  } catch (...) {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    throw;
  }
}

SettingsStore::~SettingsStore() {
  if (db_) sqlite3_close_v2(db_);
}

std::filesystem::path SettingsStore::DefaultFile() {
  try {
    return ConfigFolder() / "settings.db";
  } catch (const PathError& e) {
    throw SettingsError(e.what());
  }
}

void SettingsStore::Exec(const char* sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  if (rc == SQLITE_OK) return;
  std::string message = error ? error : sqlite3_errstr(rc);
  sqlite3_free(error);
  if (IsBusy(rc)) throw SettingsBusy();
  throw SettingsError("Settings database error: " + message);
}

void SettingsStore::OpenDatabase(const std::filesystem::path& file) {
  // Create the file ourselves so that it is private from the first byte; SQLite gives its WAL
  // and shared-memory files the same mode as the database.
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    throw SettingsError("Cannot open the settings database " + file.string() + ": " + std::strerror(errno));
  ::fchmod(fd, 0600);
  ::close(fd);

  int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK)
    throw SettingsError("Cannot open the settings database " + file.string() + ": " +
                        (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 0);

  RetryWhileBusy([&] { SetUp(file); });
}

void SettingsStore::SetUp(const std::filesystem::path& file) {
  {
    Stmt id(db_, "PRAGMA application_id");
    int64_t appId = id.Step() ? id.Int(0) : 0;
    if (appId == kApplicationId) return;  // set up by an earlier run: nothing to write
    if (appId != 0) throw SettingsError("Not a settings database: " + file.string());
  }
  // WAL lets a reader and a writer of two processes work at once; the mode stays in the file.
  // Switching needs the database to itself: while another process holds it, the old mode is
  // answered (or the database is busy) and the set-up is tried again.
  {
    Stmt wal(db_, "PRAGMA journal_mode=WAL");
    if (!wal.Step() || wal.Bytes(0) != "wal") throw SettingsBusy();
  }
  Transaction tx(*this, true);
  Exec(
      "CREATE TABLE IF NOT EXISTS keys("
      " id INTEGER PRIMARY KEY AUTOINCREMENT,"
      " parent INTEGER NOT NULL,"
      " name BLOB NOT NULL,"
      " fold BLOB NOT NULL,"
      " UNIQUE(parent, fold))");
  Exec(
      "CREATE TABLE IF NOT EXISTS vals("
      " key INTEGER NOT NULL,"
      " name BLOB NOT NULL,"
      " fold BLOB NOT NULL,"
      " kind INTEGER NOT NULL,"
      " data,"
      " PRIMARY KEY(key, fold))");
  for (RootKey root : kRoots) {
    std::string name = RootKeyName(root);
    Stmt insert(db_, "INSERT OR IGNORE INTO keys(parent, name, fold) VALUES(0, ?1, ?2)");
    insert.BindBytes(1, name).BindBytes(2, Fold(name)).Step();
  }
  Exec("PRAGMA application_id=1313690195");
  static_assert(kApplicationId == 1313690195);
  tx.Commit();
}

void SettingsStore::SetRootKey(RootKey root) {
  CloseKey();
  root_ = root;
}

void SettingsStore::CloseKey() {
  currentId_ = 0;
  currentNames_.clear();
}

std::string SettingsStore::CurrentPath() const {
  std::string path;
  for (const auto& name : currentNames_) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return path;
}

int64_t SettingsStore::RootId(RootKey root, bool) {
  return FindChild(0, RootKeyName(root));
}

int64_t SettingsStore::FindChild(int64_t parent, const std::string& name) {
  Stmt find(db_, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
  find.Bind(1, parent).BindBytes(2, Fold(name));
  return find.Step() ? find.Int(0) : 0;
}

int64_t SettingsStore::CreateChild(int64_t parent, const std::string& name) {
  Stmt insert(db_, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
  insert.Bind(1, parent).BindBytes(2, name).BindBytes(3, Fold(name)).Step();
  return sqlite3_last_insert_rowid(db_);
}

bool SettingsStore::KeyAlive(int64_t id) {
  if (id == 0) return false;
  Stmt find(db_, "SELECT 1 FROM keys WHERE id = ?1");
  find.Bind(1, id);
  return find.Step();
}

int64_t SettingsStore::Resolve(const std::string& path, bool create, std::vector<std::string>* names) {
  bool absolute = !path.empty() && path.front() == '\\';
  int64_t id;
  std::vector<std::string> found;
  if (!absolute && currentId_ != 0) {
    if (!KeyAlive(currentId_)) {
      if (create) throw SettingsError("The open settings key was deleted");
      return 0;
    }
    id = currentId_;
    found = currentNames_;
  } else {
    id = RootId(root_, create);
    if (id == 0) throw SettingsError("The settings database has lost its root keys");
  }
  for (const auto& part : SplitPath(path)) {
    if (part.size() > kMaxKeyName) {
      if (create) throw SettingsError("Key name too long: " + part.substr(0, 40) + "...");
      return 0;
    }
    Stmt find(db_, "SELECT id, name FROM keys WHERE parent = ?1 AND fold = ?2");
    find.Bind(1, id).BindBytes(2, Fold(part));
    if (find.Step()) {
      id = find.Int(0);
      found.push_back(find.Bytes(1));
    } else if (create) {
      id = CreateChild(id, part);
      found.push_back(part);
    } else {
      return 0;
    }
  }
  if (names) *names = std::move(found);
  return id;
}

bool SettingsStore::OpenKey(const std::string& path, bool create) {
  std::vector<std::string> names;
  const int64_t id = RetryWhileBusy([&] {
    Transaction tx(*this, create);
    const int64_t found = Resolve(path, create, &names);
    tx.Commit();
    return found;
  });
  if (id == 0) return false;
  currentId_ = id;
  currentNames_ = std::move(names);
  return true;
}

bool SettingsStore::KeyExists(const std::string& path) {
  return RetryWhileBusy([&] {
    Transaction tx(*this, false);
    const bool exists = Resolve(path, false, nullptr) != 0;
    tx.Commit();
    return exists;
  });
}

bool SettingsStore::DeleteKey(const std::string& path) {
  return RetryWhileBusy([&] {
    Transaction tx(*this, true);
    const int64_t id = Resolve(path, false, nullptr);
    if (id == 0) return false;
    {
      Stmt parent(db_, "SELECT parent FROM keys WHERE id = ?1");
      parent.Bind(1, id);
      if (!parent.Step() || parent.Int(0) == 0) return false;  // a root is never deleted
    }
    static const char* const kWithTree =
        "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
        " SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) ";
    {
      Stmt values(db_, (std::string(kWithTree) + "DELETE FROM vals WHERE key IN tree").c_str());
      values.Bind(1, id).Step();
    }
    {
      Stmt keys(db_, (std::string(kWithTree) + "DELETE FROM keys WHERE id IN tree").c_str());
      keys.Bind(1, id).Step();
    }
    tx.Commit();
    return true;
  });
}

std::vector<std::string> SettingsStore::ListNames(const char* sql) {
  if (currentId_ == 0) return {};
  return RetryWhileBusy([&] {
    std::vector<std::string> names;
    Transaction tx(*this, false);
    Stmt list(db_, sql);
    list.Bind(1, currentId_);
    while (list.Step()) names.push_back(list.Bytes(0));
    tx.Commit();
    return names;
  });
}

std::vector<std::string> SettingsStore::GetKeyNames() {
  return ListNames("SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
}

bool SettingsStore::HasSubKeys() {
  return !ListNames("SELECT name FROM keys WHERE parent = ?1 LIMIT 1").empty();
}

std::vector<std::string> SettingsStore::GetValueNames() {
  return ListNames("SELECT name FROM vals WHERE key = ?1 ORDER BY rowid");
}

int64_t SettingsStore::CurrentForValues(const std::string& name, bool forWrite) {
  if (currentId_ != 0 && KeyAlive(currentId_)) return currentId_;
  if (forWrite) throw SettingsError("Failed to set data for " + Quoted(name));
  return 0;
}

SettingsStore::StoredValue SettingsStore::FindValue(const std::string& name) {
  return RetryWhileBusy([&] {
    StoredValue value;
    Transaction tx(*this, false);
    if (CurrentForValues(name, false) != 0) {
      Stmt find(db_, "SELECT kind, data FROM vals WHERE key = ?1 AND fold = ?2");
      find.Bind(1, currentId_).BindBytes(2, Fold(name));
      if (find.Step()) {
        value.kind = find.Int(0) == kKindInteger ? ValueKind::Integer : ValueKind::Text;
        if (value.kind == ValueKind::Integer && find.Type(1) == SQLITE_INTEGER)
          value.number = static_cast<int32_t>(find.Int(1));
        else if (value.kind == ValueKind::Text)
          value.text = find.Bytes(1);
      }
    }
    tx.Commit();
    return value;
  });
}

ValueKind SettingsStore::GetValueKind(const std::string& name) {
  return FindValue(name).kind;
}

bool SettingsStore::ValueExists(const std::string& name) {
  return GetValueKind(name) != ValueKind::None;
}

std::string SettingsStore::ReadString(const std::string& name) {
  StoredValue value = FindValue(name);
  if (value.kind == ValueKind::Integer) throw SettingsError("Invalid data type for " + Quoted(name));
  return std::move(value.text);
}

std::optional<int32_t> SettingsStore::TryReadInteger(const std::string& name) {
  return FindValue(name).number;
}

int32_t SettingsStore::ReadInteger(const std::string& name) {
  const StoredValue value = FindValue(name);
  if (value.kind == ValueKind::None) throw SettingsError("Failed to get data for " + Quoted(name));
  if (!value.number) throw SettingsError("Invalid data type for " + Quoted(name));
  return *value.number;
}

bool SettingsStore::ReadBool(const std::string& name) {
  return ReadInteger(name) != 0;
}

void SettingsStore::WriteValue(const std::string& name, int kind, const std::string* text, int64_t number) {
  if (name.size() > kMaxValueName)
    throw SettingsError("Failed to set data for " + Quoted(name.substr(0, 40)));
  RetryWhileBusy([&] {
    Transaction tx(*this, true);
    const int64_t key = CurrentForValues(name, true);
    Stmt upsert(db_,
                "INSERT INTO vals(key, name, fold, kind, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                " ON CONFLICT(key, fold) DO UPDATE SET kind = excluded.kind, data = excluded.data");
    upsert.Bind(1, key).BindBytes(2, name).BindBytes(3, Fold(name)).Bind(4, kind);
    if (text)
      upsert.BindBytes(5, *text);
    else
      upsert.Bind(5, number);
    upsert.Step();
    tx.Commit();
  });
}

void SettingsStore::WriteString(const std::string& name, const std::string& value) {
  WriteValue(name, kKindText, &value, 0);
}

void SettingsStore::WriteInteger(const std::string& name, int32_t value) {
  WriteValue(name, kKindInteger, nullptr, value);
}

void SettingsStore::WriteBool(const std::string& name, bool value) {
  WriteInteger(name, value ? 1 : 0);
}

bool SettingsStore::DeleteValue(const std::string& name) {
  return RetryWhileBusy([&] {
    Transaction tx(*this, true);
    const int64_t key = CurrentForValues(name, false);
    if (key == 0) return false;
    Stmt del(db_, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    del.Bind(1, key).BindBytes(2, Fold(name)).Step();
    const bool deleted = sqlite3_changes(db_) > 0;
    tx.Commit();
    return deleted;
  });
}

}  // namespace nummora
