// Runs the built nummora-cli create-profile in a fresh NUMMORA_HOME and logs in to what it made
// the way the login window does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "profile/document.h"
#include "profile/login_flow.h"
#include "profile/profile_file.h"
#include "support/cli_process.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

using Result = test::CliResult;
using test::ReadFileBytes;

// Secrets used below; none of them may ever show in the command's output.
const char* const kSecrets[] = {"pw-create-9", "gold phrase: with colon", "lr-word-77", "never-shown-3"};

class CreateProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "nummora-create-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    home_ = dir_ / "home";
    ASSERT_TRUE(fs::exists(test::CliPath())) << test::CliPath();
    ::setenv("NUMMORA_HOME", home_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("NUMMORA_HOME");
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Runs nummora-cli in its own session (no terminal) with `input` on stdin; NUMMORA_HOME is
  // inherited from the test.
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> all{"create-profile"};
    all.insert(all.end(), args.begin(), args.end());
    Result r = test::RunCli(all, input, dir_.string());
    for (const char* secret : kSecrets) {
      EXPECT_EQ(r.out.find(secret), std::string::npos) << "a secret on stdout";
      EXPECT_EQ(r.err.find(secret), std::string::npos) << "a secret on stderr";
    }
    return r;
  }

  fs::path ProfileFile(const std::string& name) const { return home_ / "data" / (name + ".nmr"); }

  fs::path home_;

 private:
  fs::path dir_;
};

TEST_F(CreateProfileTest, CreatedProfileIsListedAndOpensAtLogin) {
  Result r = Run({"shop", "--password-stdin", "--accounts-stdin", "--update-at-startup", "--hint",
                  "the usual", "--account", "egold:1001001:Main gold:gold phrase: with colon"},
                 "pw-create-9\nlr:U1000001:Shop USD:lr-word-77:shopapi\r\n\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("2 accounts"), std::string::npos) << r.out;

  const fs::path file = ProfileFile("shop");
  ASSERT_TRUE(fs::exists(file)) << file;
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(IsStrongProfileFile(ReadFileBytes(file)));

  SettingsStore store;
  ProfileList list = ReadProfileList(store);
  ASSERT_EQ(list.names, std::vector<std::string>{"shop"});
  LoginResult wrong = AttemptLogin(store, 0, "shop", "not-it", UsEnglishFormatSettings());
  EXPECT_EQ(wrong.outcome, LoginOutcome::WrongPassword);
  EXPECT_EQ(wrong.hint, "the usual");

  LoginResult login = AttemptLogin(store, 0, "shop", "pw-create-9", UsEnglishFormatSettings());
  ASSERT_EQ(login.outcome, LoginOutcome::Success) << login.message;
  EXPECT_EQ(login.key.Format(), ProfileFormat::kStrong);
  ProfileModel model;
  ProfileLoadResult loaded = LoadProfile(model, login.text, UsEnglishFormatSettings());
  ASSERT_EQ(model.AccountCount(), 2);
  // Command-line accounts come first, then those read from standard input.
  const AccountRecord& gold = model.Account(0);
  EXPECT_EQ(gold.Type, AccountType::Egold);
  EXPECT_EQ(gold.ID, "1001001");
  EXPECT_EQ(gold.Name, "Main gold");
  EXPECT_TRUE(gold.Password == "gold phrase: with colon");
  const AccountRecord& lr = model.Account(1);
  EXPECT_EQ(lr.Type, AccountType::LibertyReserve);
  EXPECT_EQ(lr.ID, "U1000001");
  EXPECT_EQ(lr.Name, "Shop USD");
  EXPECT_TRUE(lr.Password == "lr-word-77");
  EXPECT_EQ(lr.APIname, "shopapi");
  EXPECT_EQ(loaded.refresh_positions, (std::vector<int>{0, 1}));
}

TEST_F(CreateProfileTest, WithoutUpdateFlagNoAccountRefreshesAtStartup) {
  Result r = Run({"plain", "--password-stdin", "--account", "egold:42:Gold:never-shown-3"}, "pw-create-9\n");
  ASSERT_EQ(r.code, 0) << r.err;
  SettingsStore store;
  LoginResult login = AttemptLogin(store, 0, "plain", "pw-create-9", UsEnglishFormatSettings());
  ASSERT_EQ(login.outcome, LoginOutcome::Success) << login.message;
  ProfileModel model;
  EXPECT_TRUE(LoadProfile(model, login.text, UsEnglishFormatSettings()).refresh_positions.empty());
  EXPECT_EQ(model.AccountCount(), 1);
}

// --legacy writes the old format, for a program that reads no other; the login opens it as such.
TEST_F(CreateProfileTest, LegacyFlagKeepsTheOldFormat) {
  Result r = Run({"old", "--password-stdin", "--legacy", "--account", "egold:42:Gold:never-shown-3"},
                 "pw-create-9\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(IsStrongProfileFile(ReadFileBytes(ProfileFile("old"))));
  EXPECT_NE(DecipherFile(ProfileFile("old"), "pw-create-9").find("<ID>42</ID>"), std::string::npos);
  SettingsStore store;
  LoginResult login = AttemptLogin(store, 0, "old", "pw-create-9", UsEnglishFormatSettings());
  ASSERT_EQ(login.outcome, LoginOutcome::Success) << login.message;
  EXPECT_EQ(login.key.Format(), ProfileFormat::kLegacy);
}

TEST_F(CreateProfileTest, ExistingProfileIsNeverOverwritten) {
  ASSERT_EQ(Run({"demo", "--password-stdin", "--account", "egold:42:A:never-shown-3"}, "pw-create-9\n").code,
            0);
  const std::string before = ReadFileBytes(ProfileFile("demo"));
  ASSERT_FALSE(before.empty());

  Result again = Run({"demo", "--password-stdin", "--if-missing", "--account", "egold:43:B:never-shown-3"},
                     "pw-create-9\n");
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.out.find("exists already"), std::string::npos) << again.out;

  // Names compare without regard to case, as in the new-profile window.
  Result clash = Run({"DEMO", "--password-stdin", "--account", "egold:43:B:never-shown-3"}, "pw-create-9\n");
  EXPECT_EQ(clash.code, 1);
  EXPECT_NE(clash.err.find("exists already"), std::string::npos) << clash.err;

  EXPECT_EQ(ReadFileBytes(ProfileFile("demo")), before);
  SettingsStore store;
  EXPECT_EQ(ReadProfileList(store).names, std::vector<std::string>{"demo"});
}

TEST_F(CreateProfileTest, UnregisteredFileOfTheSameNameIsLeftAlone) {
  fs::create_directories(ProfileFile("kept").parent_path());
  std::ofstream(ProfileFile("kept"), std::ios::binary) << "someone's data";
  Result r = Run({"kept", "--password-stdin", "--account", "egold:42:A:never-shown-3"}, "pw-create-9\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(ReadFileBytes(ProfileFile("kept")), "someone's data");
  SettingsStore store;
  EXPECT_TRUE(ReadProfileList(store).names.empty());
}

struct Refusal {
  const char* what;
  std::vector<std::string> args;
  std::string input;
  int code;
  const char* message;  // part of the error text
};

// Shown by its name only: the cases hold passwords and pass phrases.
void PrintTo(const Refusal& r, std::ostream* os) {
  *os << r.what;
}

class CreateProfileRefusalTest : public CreateProfileTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CreateProfileRefusalTest, NothingIsRegisteredOrWritten) {
  const Refusal& p = GetParam();
  Result r = Run(p.args, p.input);
  EXPECT_EQ(r.code, p.code) << r.err;
  EXPECT_NE(r.err.find(p.message), std::string::npos) << r.err;
  std::error_code ec;
  EXPECT_FALSE(fs::exists(home_ / "data", ec) && !fs::is_empty(home_ / "data", ec)) << "a file was written";
  if (fs::exists(home_ / "config" / "settings.db")) {
    SettingsStore store;
    EXPECT_TRUE(ReadProfileList(store).names.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateProfileRefusalTest,
    ::testing::Values(
        Refusal{"ShortPassword",
                {"p", "--password-stdin", "--account", "egold:1:A:never-shown-3"},
                "ab\n",
                2,
                "at least 3 characters"},
        Refusal{"DuplicateId",
                {"p", "--password-stdin", "--account", "egold:1:A:never-shown-3", "--account",
                 "egold:1:B:never-shown-3"},
                "pw-create-9\n",
                2,
                "given twice"},
        Refusal{"LrWithoutApiName",
                {"p", "--password-stdin", "--accounts-stdin"},
                "pw-create-9\nlr:U1:A:never-shown-3\n",
                2,
                "API name"},
        Refusal{"UnknownType",
                {"p", "--password-stdin", "--account", "paypal:1:A:never-shown-3"},
                "pw-create-9\n",
                2,
                "Unknown account type"},
        Refusal{"TooFewParts",
                {"p", "--password-stdin", "--account", "egold:1"},
                "pw-create-9\n",
                2,
                "too few parts"},
        Refusal{"SecretAlone",
                {"p", "--password-stdin", "--accounts-stdin"},
                "pw-create-9\nnever-shown-3\n",
                2,
                "too few parts"},
        Refusal{"EmptyId",
                {"p", "--password-stdin", "--account", "egold::A:never-shown-3"},
                "pw-create-9\n",
                2,
                "needs an ID"},
        // The document has no escaping: such a profile could never be opened again.
        Refusal{"TagInName",
                {"p", "--password-stdin", "--account", "egold:123456:a</Account><Account>b:phrase1"},
                "pw-create-9\n",
                2,
                "\"Account name\" must not contain"},
        Refusal{"TagInPassPhrase",
                {"p", "--password-stdin", "--account", "egold:1:A:never-shown-3</Password>"},
                "pw-create-9\n",
                2,
                "\"Passphrase\" must not contain"},
        Refusal{"EmptySecret",
                {"p", "--password-stdin", "--account", "egold:1:A:"},
                "pw-create-9\n",
                2,
                "pass phrase or security word"},
        Refusal{"NameWithSlash", {"a/b", "--password-stdin"}, "pw-create-9\n", 2, "cannot be used"},
        Refusal{"NoName", {"--password-stdin"}, "pw-create-9\n", 2, "Name one profile"},
        Refusal{"NoPasswordLine", {"p", "--password-stdin"}, "", 2, "No password"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace nummora
