#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "platform/settings_store.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

using test::NetTempDir;

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_ / "settings.db"; }
  NetTempDir dir_;
};

TEST_F(SettingsStoreTest, KeyPathsIgnoreCaseAndKeepTheirFirstSpelling) {
  SettingsStore reg(File());
  reg.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Alice", true));
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\quillan\\NUMMORA\\alice"));

  ASSERT_TRUE(reg.OpenKey("\\software\\QUILLAN\\nummora\\", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillan\\Nummora");
  // A second spelling opens the same key instead of creating a sibling.
  ASSERT_TRUE(reg.OpenKey("ALICE", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillan\\Nummora\\Alice");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora", false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Alice"});
}

TEST_F(SettingsStoreTest, ValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
  SettingsStore reg(File());
  ASSERT_TRUE(reg.OpenKey("P", true));
  reg.WriteString("ProxyHost", "proxy.example");
  reg.WriteString("PROXYHOST", "other.example");
  reg.WriteInteger("Fiat", 1);
  reg.WriteString("", "/data/alice.nmr");
  EXPECT_EQ(reg.ReadString("proxyhost"), "other.example");
  EXPECT_EQ(reg.ReadInteger("FIAT"), 1);
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"ProxyHost", "Fiat", ""}));
  EXPECT_TRUE(reg.DeleteValue("fiat"));
  EXPECT_FALSE(reg.DeleteValue("Fiat"));
  EXPECT_FALSE(reg.ValueExists("FIAT"));
  EXPECT_EQ(reg.ReadString(""), "/data/alice.nmr");
}

enum class Stored { Nothing, Text, Integer };
struct TypedReadRow {
  const char* label;
  Stored stored;
  const char* reader;  // "string", "integer", "bool"
  bool fails;
  const char* message;  // expected error message when it fails
};

class SettingsTypedReadTest : public ::testing::TestWithParam<TypedReadRow> {};

TEST_P(SettingsTypedReadTest, ReadsFailLikeTheRegistry) {
  const TypedReadRow& row = GetParam();
  NetTempDir dir;
  SettingsStore reg(dir / "settings.db");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Bob", true));
  if (row.stored == Stored::Text) reg.WriteString("Value", "12");
  if (row.stored == Stored::Integer) reg.WriteInteger("Value", 12);
  std::string reader = row.reader;
  auto read = [&] {
    if (reader == "string") return reg.ReadString("Value");
    if (reader == "integer") return std::to_string(reg.ReadInteger("Value"));
    return std::string(reg.ReadBool("Value") ? "true" : "false");
  };
  if (row.fails) {
    try {
      read();
      FAIL() << "no error";
    } catch (const SettingsError& e) {
      EXPECT_STREQ(e.what(), row.message);
    }
    if (reader != "string") {
      EXPECT_FALSE(reg.TryReadInteger("Value").has_value());
    }
  } else {
    EXPECT_EQ(read(), row.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsTypedReadTest,
    ::testing::Values(
        TypedReadRow{"MissingText", Stored::Nothing, "string", false, ""},
        TypedReadRow{"TextAsText", Stored::Text, "string", false, "12"},
        TypedReadRow{"IntegerAsText", Stored::Integer, "string", true, "Invalid data type for 'Value'"},
        TypedReadRow{"MissingInteger", Stored::Nothing, "integer", true, "Failed to get data for 'Value'"},
        TypedReadRow{"TextAsInteger", Stored::Text, "integer", true, "Invalid data type for 'Value'"},
        TypedReadRow{"IntegerAsInteger", Stored::Integer, "integer", false, "12"},
        TypedReadRow{"MissingBool", Stored::Nothing, "bool", true, "Failed to get data for 'Value'"},
        TypedReadRow{"TextAsBool", Stored::Text, "bool", true, "Invalid data type for 'Value'"},
        TypedReadRow{"NonZeroIntegerAsBool", Stored::Integer, "bool", false, "true"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SettingsStoreTest, IntegersAndTextsRoundTripExactly) {
  std::string bytes("a\0b\xE9\xFF\r\n", 7);
  {
    SettingsStore reg(File());
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteInteger("Min", INT32_MIN);
    reg.WriteInteger("Max", INT32_MAX);
    reg.WriteBool("On", true);
    reg.WriteBool("Off", false);
    reg.WriteString("Bytes", bytes);
  }
  SettingsStore reg(File());
  ASSERT_TRUE(reg.OpenKey("K", false));
  EXPECT_EQ(reg.ReadInteger("Min"), INT32_MIN);
  EXPECT_EQ(reg.ReadInteger("Max"), INT32_MAX);
  EXPECT_EQ(reg.ReadInteger("On"), 1);
  EXPECT_FALSE(reg.ReadBool("Off"));
  EXPECT_EQ(reg.ReadString("Bytes"), bytes);
  EXPECT_EQ(reg.GetValueKind("Bytes"), ValueKind::Text);
  EXPECT_EQ(reg.GetValueKind("On"), ValueKind::Integer);
  // Rewriting a value with another type changes its type.
  reg.WriteString("On", "yes");
  EXPECT_THROW(reg.ReadBool("On"), SettingsError);
}

TEST_F(SettingsStoreTest, RelativeAndAbsolutePaths) {
  SettingsStore reg(File());
  reg.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey("Software\\Quillan\\Nummora\\", true));  // no key open: from the root
  ASSERT_TRUE(reg.OpenKey("Carol", true));                         // below the current key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillan\\Nummora\\Carol");
  EXPECT_TRUE(reg.KeyExists("\\Software\\Quillan"));
  EXPECT_FALSE(reg.KeyExists("Software"));  // relative: Carol\Software
  // A missing key without create leaves the current key open.
  EXPECT_FALSE(reg.OpenKey("\\Nowhere", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Quillan\\Nummora\\Carol");
  EXPECT_FALSE(reg.KeyExists("\\Nowhere"));
}

TEST_F(SettingsStoreTest, RootsAreSeparateTrees) {
  SettingsStore reg(File());
  reg.SetRootKey(RootKey::ClassesRoot);
  ASSERT_TRUE(reg.OpenKey("NMR", true));
  reg.WriteString("URL", "nmr://payto=1");
  reg.SetRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.HasCurrentKey());
  EXPECT_FALSE(reg.KeyExists("NMR"));
  EXPECT_THROW(reg.WriteString("URL", "x"), SettingsError);  // no key open
  reg.SetRootKey(RootKey::ClassesRoot);
  ASSERT_TRUE(reg.OpenKey("\\nmr", false));
  EXPECT_EQ(reg.ReadString("url"), "nmr://payto=1");
}

TEST_F(SettingsStoreTest, DeleteKeyRemovesTheWholeTree) {
  SettingsStore reg(File());
  reg.SetRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Dave\\Layout\\Deep", true));
  reg.WriteInteger("List_Width_0", 80);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Dave", false));
  reg.WriteString("", "/data/dave.nmr");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Dave2", true));
  reg.WriteString("", "/data/dave2.nmr");

  EXPECT_TRUE(reg.DeleteKey("\\software\\quillan\\nummora\\DAVE"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quillan\\Nummora\\Dave"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Quillan\\Nummora\\Dave\\Layout\\Deep"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\Quillan\\Nummora\\Dave"));
  EXPECT_FALSE(reg.DeleteKey("\\"));  // the root stays
  // The sibling whose name starts the same survives, and a recreated key starts empty.
  EXPECT_EQ(reg.ReadString(""), "/data/dave2.nmr");
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Dave\\Layout\\Deep", true));
  EXPECT_FALSE(reg.ValueExists("List_Width_0"));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Quillan\\Nummora\\Dave", false));
  EXPECT_FALSE(reg.ValueExists(""));
  EXPECT_TRUE(reg.HasSubKeys());
}

TEST_F(SettingsStoreTest, KeyDeletedUnderAnOpenHandleFailsWrites) {
  SettingsStore reg(File());
  ASSERT_TRUE(reg.OpenKey("\\Profiles\\Eve", true));
  reg.WriteInteger("Fiat", 1);
  SettingsStore other(File());
  ASSERT_TRUE(other.DeleteKey("\\Profiles"));
  EXPECT_FALSE(reg.ValueExists("Fiat"));
  EXPECT_EQ(reg.ReadString("Hint"), "");
  EXPECT_THROW(reg.ReadInteger("Fiat"), SettingsError);
  EXPECT_THROW(reg.WriteInteger("Fiat", 2), SettingsError);
  EXPECT_THROW(reg.OpenKey("Sub", true), SettingsError);
  // Opening it again by an absolute path recreates it.
  ASSERT_TRUE(reg.OpenKey("\\Profiles\\Eve", true));
  reg.WriteInteger("Fiat", 2);
  EXPECT_EQ(reg.ReadInteger("Fiat"), 2);
}

TEST_F(SettingsStoreTest, DatabaseFileIsPrivate) {
  ::umask(0022);
  {
    SettingsStore reg(File());
    ASSERT_TRUE(reg.OpenKey("K", true));
    reg.WriteString("V", "x");
    struct stat st {};
    ASSERT_EQ(::stat(File().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::filesystem::path wal = File().string() + "-wal";
    ASSERT_EQ(::stat(wal.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  // An existing file with looser permissions is tightened.
  ::chmod(File().c_str(), 0644);
  SettingsStore again(File());
  struct stat st {};
  ASSERT_EQ(::stat(File().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SettingsStoreTest, RefusesFilesThatAreNotSettingsDatabases) {
  {
    std::ofstream junk(File(), std::ios::binary);
    junk << "this is not a database, just some text long enough to look like a header......";
  }
  EXPECT_THROW(SettingsStore{File()}, SettingsError);

  std::filesystem::path foreign = dir_ / "foreign.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "PRAGMA application_id=42; CREATE TABLE t(x)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_THROW(SettingsStore{foreign}, SettingsError);
}

// Two processes open the same (new) database at once and write interleaved; each then sees
// every value the other wrote.
TEST_F(SettingsStoreTest, TwoProcessesShareOneDatabase) {
  constexpr int kCount = 150;
  int toChild[2], toParent[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(toParent), 0);

  auto work = [&](const std::string& me, const std::string& peer, int readFd, int writeFd) -> int {
    try {
      SettingsStore reg(File());
      reg.SetRootKey(RootKey::LocalMachine);
      for (int i = 0; i < kCount; ++i) {
        if (!reg.OpenKey("\\Software\\Quillan\\Nummora\\" + me, true)) return 10;
        reg.WriteInteger("N" + std::to_string(i), i);
        if (!reg.OpenKey("\\Software\\Quillan\\Nummora", true)) return 11;
        reg.WriteString(me + std::to_string(i), me);
      }
      char c = 'x';
      if (::write(writeFd, &c, 1) != 1) return 12;
      if (::read(readFd, &c, 1) != 1) return 13;
      if (!reg.OpenKey("\\SOFTWARE\\QUILLAN\\NUMMORA\\" + peer, false)) return 14;
      for (int i = 0; i < kCount; ++i)
        if (reg.ReadInteger("n" + std::to_string(i)) != i) return 15;
      if (!reg.OpenKey("\\Software\\Quillan\\Nummora", false)) return 16;
      for (int i = 0; i < kCount; ++i)
        if (reg.ReadString(peer + std::to_string(i)) != peer) return 17;
      auto keys = reg.GetKeyNames();
      if (keys.size() != 2) return 18;
      return 0;
    } catch (const std::exception& e) {
      fprintf(stderr, "%s: %s\n", me.c_str(), e.what());
      return 20;
    }
  };

  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(toChild[1]);
    ::close(toParent[0]);
    ::_exit(work("Child", "Parent", toChild[0], toParent[1]));
  }
  ::close(toChild[0]);
  ::close(toParent[1]);
  int mine = work("Parent", "Child", toParent[0], toChild[1]);
  ::close(toChild[1]);
  ::close(toParent[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(mine, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A peer that is creating the same database holds its write lock while it writes the first
// page; a store that opens the database then cannot switch it to WAL, and SQLite does not wait
// for that lock by itself. The open must wait for the peer instead of failing.
TEST_F(SettingsStoreTest, OpenWaitsForAPeerHoldingTheWriteLock) {
  { std::ofstream(File()).flush(); }  // a new, empty database file
  sqlite3* peer = nullptr;
  ASSERT_EQ(sqlite3_open(File().c_str(), &peer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(peer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  std::thread release([peer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sqlite3_exec(peer, "ROLLBACK", nullptr, nullptr, nullptr);
  });
  std::optional<SettingsStore> reg;
  EXPECT_NO_THROW(reg.emplace(File()));
  release.join();
  sqlite3_close(peer);
  ASSERT_TRUE(reg && reg->OpenKey("K", true));
  reg->WriteInteger("V", 7);
  EXPECT_TRUE(SettingsStore(File()).OpenKey("K", false));
}

// Programs that start at once (the program and nummora-cli, two starts from a browser link) all
// open the store, creating it the first time, and write to it. Several processes are released
// together on a new database in every round; none may fail on the store.
TEST_F(SettingsStoreTest, ManyProcessesStartingAtOnceNeverFail) {
  constexpr int kProcesses = 4;
  constexpr int kRounds = 12;
  for (int round = 0; round < kRounds; ++round) {
    const std::filesystem::path file = dir_ / ("round" + std::to_string(round) + ".db");
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        ::close(gate[1]);
        char c;
        [[maybe_unused]] ssize_t n = ::read(gate[0], &c, 1);  // released when the gate closes
        try {
          SettingsStore reg(file);
          reg.SetRootKey(RootKey::LocalMachine);
          const std::string me = "P" + std::to_string(p);
          for (int i = 0; i < 5; ++i) {
            reg.OpenKey("\\Software\\Quillan\\Nummora\\" + me, true);
            reg.WriteInteger("N", i);
            reg.OpenKey("\\Software\\Quillan\\Nummora", false);
            reg.GetKeyNames();
            if (reg.ReadString("LastUser" + me) != (i ? me : "")) ::_exit(2);
            reg.WriteString("LastUser" + me, me);
          }
          ::_exit(0);
        } catch (const std::exception& e) {
          fprintf(stderr, "round %d, process %d: %s\n", round, p, e.what());
          ::_exit(1);
        }
      }
      children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace nummora
