// The login and new-profile steps on real files: what counts as a missing data file, what a
// wrong password, another volume and a damaged strong file show, and a new profile never taking
// the place of a file that is there.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/settings_store.h"
#include "platform/volume_serial.h"
#include "profile/document.h"
#include "profile/login_flow.h"
#include "profile/profile_settings.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

class LoginFlowTest : public ::testing::Test {
 protected:
  test::NetTempDir dir_;
  test::NetEnvGuard home_{"NUMMORA_HOME", (dir_ / "home").string()};
  SettingsStore store_{dir_ / "settings.db"};

  // Points the profile's key at another data file.
  void SetDataFile(const std::string& name, const std::string& path) {
    store_.SetRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(store_.OpenKey(ProfileKeyPath(name), false));
    store_.WriteString("", path);
  }
};

struct UnreachableFile {
  const char* what;
  std::string (*path)(const std::filesystem::path& dir);
  const char* reason;  // part of the message
};

void PrintTo(const UnreachableFile& c, std::ostream* os) {
  *os << c.what;
}

class UnreachableFileTest : public LoginFlowTest, public ::testing::WithParamInterface<UnreachableFile> {};

// Only a file that does not exist is "Data file not found" (which removes the profile); a file
// that cannot be reached is reported with its reason and the profile stays.
TEST_P(UnreachableFileTest, IsReportedAndTheProfileStays) {
  CreateProfile(store_, "alice", "secret", "");
  std::ofstream(dir_ / "plain") << "a file, not a folder";
  SetDataFile("alice", GetParam().path(dir_.path()));

  const LoginResult r = AttemptLogin(store_, 0, "alice", "secret", UsEnglishFormatSettings());
  EXPECT_EQ(r.outcome, LoginOutcome::Unreadable);
  EXPECT_NE(r.message.find(GetParam().reason), std::string::npos) << r.message;
  EXPECT_TRUE(ProfileExists(store_, "alice"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreachableFileTest,
    ::testing::Values(
        UnreachableFile{"ParentIsAFile",
                        [](const std::filesystem::path& d) { return (d / "plain/alice.nmr").string(); },
                        "Not a directory"},
        UnreachableFile{"NameTooLong",
                        [](const std::filesystem::path& d) { return (d / std::string(300, 'n')).string(); },
                        "File name too long"},
        UnreachableFile{"AFolder", [](const std::filesystem::path& d) { return d.string(); },
                        "Is a directory"}),
    [](const ::testing::TestParamInfo<UnreachableFile>& info) { return std::string(info.param.what); });

TEST_F(LoginFlowTest, MissingFileRemovesTheProfile) {
  CreateProfile(store_, "alice", "secret", "");
  SetDataFile("alice", (dir_ / "gone.nmr").string());
  const LoginResult r = AttemptLogin(store_, 0, "alice", "secret", UsEnglishFormatSettings());
  EXPECT_EQ(r.outcome, LoginOutcome::FileMissing);
  EXPECT_EQ(r.message, "Data file not found");
  EXPECT_FALSE(ProfileExists(store_, "alice"));
}

// A profile file whose settings key is gone (another configuration folder, a lost settings
// store) is somebody's data: "New profile" of that name refuses and names the file.
TEST_F(LoginFlowTest, NewProfileNeverReplacesAFile) {
  CreateProfile(store_, "bob", "first", "");
  const std::string path = NewProfilePath("bob").string();
  const std::string before = ReadProfileFileBytes(path);
  store_.OpenKey(kProfilesKey, false);
  store_.DeleteKey("bob");

  try {
    CreateProfile(store_, "bob", "second", "");
    FAIL() << "the file was replaced";
  } catch (const EProfileFileError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadProfileFileBytes(path), before);
  EXPECT_FALSE(ProfileExists(store_, "bob"));
}

// A new profile is written in the strong format. A wrong password and a file keyed for another
// volume show the wrong-password balloon; a strong file whose header or tag does not hold says
// that the profile file is damaged; a legacy profile opens as it always did.
TEST_F(LoginFlowTest, StrongFilesTellAWrongKeyFromDamage) {
  ProfileKey key("secret", ProfileFormat::kStrong, kMinKdfParams);
  CreateProfile(store_, "alice", key, "the hint");
  const std::string path = NewProfilePath("alice").string();
  const std::string good = ReadProfileFileBytes(path);
  ASSERT_TRUE(IsStrongProfileFile(good));
  const LoginResult opened = AttemptLogin(store_, 0, "alice", "secret", UsEnglishFormatSettings());
  ASSERT_EQ(opened.outcome, LoginOutcome::Success);
  EXPECT_EQ(opened.text, kEmptyProfileDocument);
  EXPECT_EQ(opened.key.Format(), ProfileFormat::kStrong);

  const auto flipped = [&good](size_t at) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x04);
    return bad;
  };
  ProfileKey elsewhere("secret", ProfileFormat::kStrong, kMinKdfParams);
  WriteProfileFile(path, kEmptyProfileDocument, elsewhere,
                   ProfileFileOptions{VolumeSerialOf(ProfileFolderOf(path)) + 1, nullptr});
  const std::string otherVolume = ReadProfileFileBytes(path);
  struct Case {
    const char* what;
    std::string bytes, password;
    LoginOutcome outcome;
  };
  for (const Case& c : {Case{"wrong password", good, "Secret", LoginOutcome::WrongPassword},
                        Case{"another volume", otherVolume, "secret", LoginOutcome::WrongPassword},
                        Case{"salt", flipped(30), "secret", LoginOutcome::Damaged},
                        Case{"document", flipped(100), "secret", LoginOutcome::Damaged},
                        Case{"tag", flipped(good.size() - 1), "secret", LoginOutcome::Damaged}}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
    const LoginResult r = AttemptLogin(store_, 0, "alice", c.password, UsEnglishFormatSettings());
    EXPECT_EQ(r.outcome, c.outcome) << c.what;
    EXPECT_TRUE(r.text.empty()) << c.what;
    if (c.outcome == LoginOutcome::WrongPassword) {
      EXPECT_EQ(r.hint, "the hint") << c.what;
    } else {
      EXPECT_EQ(r.message.rfind("The profile file is damaged: ", 0), 0u) << c.what << ": " << r.message;
    }
  }

  EncipherToFile(path, kEmptyProfileDocument, "secret");
  const LoginResult legacy = AttemptLogin(store_, 0, "alice", "secret", UsEnglishFormatSettings());
  ASSERT_EQ(legacy.outcome, LoginOutcome::Success);
  EXPECT_EQ(legacy.key.Format(), ProfileFormat::kLegacy);
}

}  // namespace
}  // namespace nummora
