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

}  // namespace
}  // namespace nummora
