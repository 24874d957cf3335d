#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "desktop/autostart.h"
#include "desktop/link_handler.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

struct ExecRow {
  const char* label;
  const char* path;
  const char* program;  // the program of the Exec= value as it stands in the file
};

// Both entries the program writes run it through the same Exec quoting: the link handler adds
// the link's field code, the autostart entry nothing.
class DesktopExecTest : public ::testing::TestWithParam<ExecRow> {};

TEST_P(DesktopExecTest, PathIsQuotedAndEscapedForEveryDesktopEntry) {
  const std::string program = GetParam().program;
  EXPECT_EQ(DesktopExecValue(GetParam().path), program + " %u");
  const std::string autostart = AutostartEntryText(GetParam().path);
  EXPECT_NE(autostart.find("\nExec=" + program + "\n"), std::string::npos) << autostart;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecTest,
    ::testing::Values(ExecRow{"Plain", "/usr/bin/nummora", "/usr/bin/nummora"},
                      ExecRow{"Blank", "/opt/my apps/nummora", R"("/opt/my apps/nummora")"},
                      ExecRow{"Percent", "/opt/100%/nummora", "/opt/100%%/nummora"},
                      ExecRow{"PercentAndBlank", "/opt/50% off/nummora", R"("/opt/50%% off/nummora")"},
                      ExecRow{"Dollar", "/opt/a$b/nummora", R"("/opt/a\\$b/nummora")"},
                      ExecRow{"DoubleQuote", "/opt/a\"b/nummora", R"("/opt/a\\"b/nummora")"},
                      ExecRow{"Backslash", "/opt/a\\b/nummora", R"("/opt/a\\\\b/nummora")"},
                      // A line break or tab is reserved (quoted) and kept on the entry's line by
                      // the escapes of a string value.
                      ExecRow{"LineBreak", "/opt/a\nb/nummora", R"("/opt/a\nb/nummora")"},
                      ExecRow{"Tab", "/opt/a\tb/nummora", R"("/opt/a\tb/nummora")"},
                      ExecRow{"CarriageReturn", "/opt/a\rb/nummora", "/opt/a\\rb/nummora"},
                      ExecRow{"SingleQuote", "/opt/a'b/nummora", R"("/opt/a'b/nummora")"},
                      // "=" is no reserved character: the argument stays as it is.
                      ExecRow{"Equals", "/opt/a=b/nummora", "/opt/a=b/nummora"}),
    [](const auto& info) { return std::string(info.param.label); });

struct ListRow {
  const char* label;
  const char* before;
  std::optional<std::string> after;  // nothing: the list is left as it is
};

class SchemeDefaultTest : public ::testing::TestWithParam<ListRow> {};

TEST_P(SchemeDefaultTest, AddsOurDefaultKeepingEveryOtherLine) {
  EXPECT_EQ(WithSchemeDefault(GetParam().before, "nummora-nmr.desktop"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SchemeDefaultTest,
    ::testing::Values(
        ListRow{"Empty", "", "[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\n"},
        ListRow{
            "OtherDefaults", "[Default Applications]\ntext/html=firefox.desktop\n",
            "[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\ntext/html=firefox.desktop\n"},
        ListRow{"HeaderWithoutLineEnd", "[Default Applications]",
                "[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\n"},
        ListRow{"OnlyAnAddedAssociation", "[Added Associations]\nx-scheme-handler/nmr=other.desktop;",
                "[Added Associations]\nx-scheme-handler/nmr=other.desktop;\n"
                "[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\n"},
        ListRow{"UsersChoiceKept", "[Default Applications]\r\n x-scheme-handler/nmr = other.desktop\r\n",
                std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class InstallSchemeHandlerTest : public ::testing::Test {
 protected:
  fs::path Home() const { return home_.path(); }
  fs::path List() const { return home_ / "mimeapps.list"; }
  fs::path Entry() const { return home_ / "applications" / "nummora-nmr.desktop"; }

 private:
  test::NetTempDir home_;
  test::NetEnvGuard env_{"NUMMORA_HOME", home_.path().string()};
};

// Unreadable the way a file without read permission is for a user other than root.
TEST_F(InstallSchemeHandlerTest, ListThatCannotBeReadIsLeftAlone) {
  fs::create_symlink("mimeapps.list", List());  // a link to itself: ELOOP
  EXPECT_FALSE(InstallSchemeHandler("/usr/bin/nummora"));
  EXPECT_TRUE(fs::is_symlink(List()));
  EXPECT_FALSE(fs::exists(Entry()));
}

TEST_F(InstallSchemeHandlerTest, LinkedListIsWrittenThroughAndNothingIsRewrittenLater) {
  fs::create_directory(Home() / "dotfiles");
  {
    std::ofstream(Home() / "dotfiles" / "mimeapps.list")
        << "[Default Applications]\ntext/html=firefox.desktop\n";
  }
  fs::create_symlink("dotfiles/mimeapps.list", List());

  EXPECT_TRUE(InstallSchemeHandler("/usr/bin/nummora"));
  EXPECT_TRUE(fs::is_symlink(List()));
  EXPECT_EQ(ReadBytes(Home() / "dotfiles" / "mimeapps.list"),
            "[Default Applications]\nx-scheme-handler/nmr=nummora-nmr.desktop\ntext/html=firefox.desktop\n");

  // The next start finds both files as it would write them and writes nothing.
  struct stat entryBefore {
  }, listBefore{};
  ASSERT_EQ(::stat(Entry().c_str(), &entryBefore), 0);
  ASSERT_EQ(::stat(List().c_str(), &listBefore), 0);
  EXPECT_FALSE(InstallSchemeHandler("/usr/bin/nummora"));
  struct stat entryAfter {
  }, listAfter{};
  ASSERT_EQ(::stat(Entry().c_str(), &entryAfter), 0);
  ASSERT_EQ(::stat(List().c_str(), &listAfter), 0);
  EXPECT_EQ(entryAfter.st_ino, entryBefore.st_ino);
  EXPECT_EQ(listAfter.st_ino, listBefore.st_ino);

  // A moved program updates its own entry only.
  EXPECT_TRUE(InstallSchemeHandler("/opt/nummora/nummora"));
  EXPECT_NE(ReadBytes(Entry()).find("Exec=/opt/nummora/nummora %u\n"), std::string::npos);
  ASSERT_EQ(::stat(List().c_str(), &listAfter), 0);
  EXPECT_EQ(listAfter.st_ino, listBefore.st_ino);
}

// An installed program (package or `cmake --install`, the project's own desktop entry beside its
// bin folder) is told apart from one in a build tree or copied somewhere.
TEST(RunsFromInstallation, OnlyABinFolderWithTheInstalledDesktopEntry) {
  test::NetTempDir root;
  const fs::path prefix = root.path() / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "applications");
  fs::create_directories(root.path() / "build" / "src");
  const fs::path entry = prefix / "share" / "applications" / "nummora.desktop";
  const std::string installed = (prefix / "bin" / "nummora").string();

  EXPECT_FALSE(RunsFromInstallation(installed));  // no desktop entry yet
  { std::ofstream(entry) << "[Desktop Entry]\nExec=nummora %u\n"; }
  EXPECT_FALSE(RunsFromInstallation(installed));  // an entry that does not handle nmr links
  { std::ofstream(entry) << "[Desktop Entry]\nExec=nummora %u\nMimeType=x-scheme-handler/nmr;\n"; }
  EXPECT_TRUE(RunsFromInstallation(installed));
  EXPECT_FALSE(RunsFromInstallation((root.path() / "build" / "src" / "nummora").string()));
  EXPECT_FALSE(RunsFromInstallation((prefix / "share" / "nummora").string()));
  // The entry of the source tree is the one the installation puts there.
  EXPECT_NE(ReadBytes(fs::path(NUMMORA_SOURCE_DIR) / "data" / "nummora.desktop")
                .find("MimeType=x-scheme-handler/nmr;"),
            std::string::npos);
}

}  // namespace
}  // namespace nummora
