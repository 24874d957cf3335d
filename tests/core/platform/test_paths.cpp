#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/paths.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

using test::NetEnvGuard;
using test::NetTempDir;

mode_t ModeOf(const std::filesystem::path& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

TEST(PathsTest, NummoraHomeHoldsAllThreeFoldersCreatedPrivate) {
  NetTempDir dir;
  NetEnvGuard home("NUMMORA_HOME", (dir / "home").string());
  NetEnvGuard xdg("XDG_CONFIG_HOME", "/should/not/be/used");
  mode_t old = ::umask(0);  // the folders must be 0700 whatever the umask allows
  EXPECT_EQ(ConfigFolder(false), dir / "home" / "config");
  EXPECT_FALSE(std::filesystem::exists(dir / "home"));
  EXPECT_EQ(ConfigFolder(), dir / "home" / "config");
  EXPECT_EQ(DataFolder(), dir / "home" / "data");
  EXPECT_EQ(CacheFolder(), dir / "home" / "cache");
  ::umask(old);
  for (const char* sub : {"", "config", "data", "cache"}) EXPECT_EQ(ModeOf(dir / "home" / sub), 0700u) << sub;
}

TEST(PathsTest, XdgVariablesAndTheirDefaults) {
  NetTempDir dir;
  NetEnvGuard nummoraHome("NUMMORA_HOME", std::nullopt);
  NetEnvGuard home("HOME", dir.path().string());
  NetEnvGuard config("XDG_CONFIG_HOME", (dir / "cfg").string());
  NetEnvGuard data("XDG_DATA_HOME", "relative/ignored");  // not absolute: the default applies
  NetEnvGuard cache("XDG_CACHE_HOME", std::nullopt);
  EXPECT_EQ(ConfigFolder(), dir / "cfg" / "nummora");
  EXPECT_EQ(DataFolder(), dir / ".local" / "share" / "nummora");
  EXPECT_EQ(CacheFolder(), dir / ".cache" / "nummora");
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".local" / "share" / "nummora"));
}

TEST(PathsTest, ExistingFoldersKeepTheirModeAndAFileInTheWayFails) {
  NetTempDir dir;
  std::filesystem::create_directories(dir / "home");
  ::chmod((dir / "home").c_str(), 0750);
  NetEnvGuard home("NUMMORA_HOME", (dir / "home").string());
  ConfigFolder();
  EXPECT_EQ(ModeOf(dir / "home"), 0750u);
  EXPECT_EQ(ModeOf(dir / "home" / "config"), 0700u);
  { std::ofstream blocker(dir / "home" / "data"); }
  EXPECT_THROW(DataFolder(), PathError);
}

// The instance socket lives in the runtime folder: one that others can enter, or a link to a
// folder, is passed over for the private configuration folder.
TEST(PathsTest, RuntimeFolderOnlyWhenPrivateToTheUser) {
  NetTempDir dir;
  NetEnvGuard home("NUMMORA_HOME", (dir / "home").string());
  std::filesystem::create_directories(dir / "open");
  std::filesystem::create_directories(dir / "private");
  ::chmod((dir / "open").c_str(), 0755);
  ::chmod((dir / "private").c_str(), 0700);
  std::filesystem::create_directory_symlink(dir / "private", dir / "link");
  const struct {
    const char* runtime;
    std::filesystem::path expected;
  } rows[] = {{"private", dir / "private"},
              {"open", dir / "home" / "config"},
              {"link", dir / "home" / "config"},
              {"missing", dir / "home" / "config"}};
  for (const auto& row : rows) {
    NetEnvGuard runtime("XDG_RUNTIME_DIR", (dir / row.runtime).string());
    EXPECT_EQ(RuntimeFolder(), row.expected) << row.runtime;
  }
  EXPECT_EQ(ModeOf(dir / "home" / "config"), 0700u);
}

}  // namespace
}  // namespace nummora
