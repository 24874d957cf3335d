#pragma once
// The fixture of the nummora-cli end-to-end suites: one sandbox for the suite, a temporary
// folder and profile file for each test, and a run of the program with the sandbox's servers
// that checks no secret reaches its output.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/format_settings.h"
#include "profile/document.h"
#include "profile/model.h"
#include "profile/profile_file.h"
#include "support/cli_process.h"
#include "support/sandbox_process.h"

namespace nummora::test {

class CliSandboxTest : public ::testing::Test {
 public:
  static constexpr uint32_t kSerial = 0x1234ABCDu;
  static inline const std::string kSerialArg = "1234ABCD";
  static inline const std::string kProfilePassword = "profile-pw-9";

  static void SetUpTestSuite() {
    sandbox_ = new SandboxProcess();
    startError_.clear();
    started_ = sandbox_->Start(&startError_);
  }
  static void TearDownTestSuite() {
    sandbox_->Stop();
    delete sandbox_;
    sandbox_ = nullptr;
  }

 protected:
  void SetUp() override {
    ASSERT_TRUE(started_) << startError_;
    std::string pattern = (std::filesystem::temp_directory_path() / "nummora-cli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    profile_ = (dir_ / "p.nmr").string();
    sandbox_->ClearFaults();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Writes the profile file with these accounts under kProfilePassword and kSerial, in the
  // legacy format.
  void WriteProfile(const std::vector<AccountRecord>& accounts, const std::string& rates = "") {
    ProfileModel model;
    for (const AccountRecord& a : accounts) ASSERT_GE(model.AppendAccount(a), 0);
    model.RatesText = rates;
    ProfileKey key(kProfilePassword, ProfileFormat::kLegacy);
    ASSERT_TRUE(SaveProfile(model, key, profile_, true, UsEnglishFormatSettings(),
                            ProfileFileOptions{kSerial, nullptr}));
  }

  // Runs nummora-cli with the sandbox's servers.ini (and `env`), `input` on standard input;
  // none of `secrets` nor the profile password may appear on its output.
  CliResult Run(const std::vector<std::string>& args, const std::string& input,
                const std::vector<std::string>& secrets,
                const std::vector<std::pair<std::string, std::string>>& env = {}) {
    std::vector<std::pair<std::string, std::string>> all{{"NUMMORA_SERVERS_INI", sandbox_->ServersIni()}};
    all.insert(all.end(), env.begin(), env.end());
    CliResult r = RunCli(args, input, dir_.string(), all);
    ExpectNoSecrets(r, secrets);
    ExpectNoSecrets(r, {kProfilePassword});
    return r;
  }

  static void ExpectNoSecrets(const CliResult& r, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
      EXPECT_EQ(r.out.find(secret), std::string::npos) << "secret on stdout";
      EXPECT_EQ(r.err.find(secret), std::string::npos) << "secret on stderr";
    }
  }

  // How often `what` occurs in `text`.
  static std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  static inline SandboxProcess* sandbox_ = nullptr;
  static inline bool started_ = false;
  static inline std::string startError_;
  std::filesystem::path dir_;
  std::string profile_;
};

}  // namespace nummora::test
