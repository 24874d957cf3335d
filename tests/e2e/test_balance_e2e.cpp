// nummora-cli balance against the sandbox: a profile file is made in a temporary folder, the
// program refreshes one account over HTTPS and prints the tray's notice.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/format_settings.h"
#include "profile/document.h"
#include "profile/model.h"
#include "profile/profile_open.h"
#include "support/cli_sandbox_test.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

using Result = test::CliResult;
using test::ReadFileBytes;

AccountRecord Egold(const std::string& id, const std::string& phrase) {
  AccountRecord a;
  a.Type = AccountType::Egold;
  a.ID = id;
  a.Password = phrase;
  return a;
}

AccountRecord Liberty(const std::string& id, const std::string& api, const std::string& word) {
  AccountRecord a;
  a.Type = AccountType::LibertyReserve;
  a.ID = id;
  a.APIname = api;
  a.Password = word;
  return a;
}

class BalanceE2E : public test::CliSandboxTest {
 protected:
  void SetUp() override {
    CliSandboxTest::SetUp();
    ASSERT_TRUE(fs::exists(test::CliPath())) << test::CliPath();
  }

  ProfileModel ReadProfile() {
    ProfileOpenResult opened =
        OpenProfileFile(profile_, kProfilePassword, ProfileFileOptions{kSerial, nullptr});
    EXPECT_EQ(opened.status, ProfileOpenStatus::kOpened);
    EXPECT_EQ(opened.key.Format(), ProfileFormat::kLegacy)
        << "--save wrote a legacy profile in another format";
    ProfileModel model;
    LoadProfile(model, opened.text.str(), UsEnglishFormatSettings());
    return model;
  }

  // Runs `nummora-cli balance` in its own session (no terminal) with the sandbox's servers.ini,
  // the given extra environment and `input` on standard input.
  Result Balance(const std::string& id, std::vector<std::string> extra, const std::string& input,
                 const std::vector<std::pair<std::string, std::string>>& env = {}) {
    std::vector<std::string> args = {"balance",          "--profile",       profile_,  id,
                                     "--password-stdin", "--volume-serial", kSerialArg};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, input, {}, env);
  }
};

TEST_F(BalanceE2E, EgoldBalanceIsAnnouncedAndSavedOnlyWithSave) {
  // 12.5 / 150 / 0.8 / 1.2 oz at 650 / 12.5 / 1200 / 320: 8125 + 1875 + 960 + 384.
  WriteProfile({Egold("1001001", "alice gold 2006")}, "x,650,12.5,1200,320");
  Result r = Balance("1001001", {"--verbose"}, kProfilePassword + "\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Balance changed\nCurrent balance of 1001001 is $11344\n");
  // The request line is in the events, with the pass phrase hidden.
  EXPECT_NE(r.err.find("/acct/balance.aspAccountID=1001001&PassPhrase=********"), std::string::npos) << r.err;
  ExpectNoSecrets(r, {"alice gold 2006", kProfilePassword});
  EXPECT_EQ(ReadProfile().Account(0).Gold, 0);  // not saved

  Result saved = Balance("1001001", {"--save"}, kProfilePassword + "\n");
  EXPECT_EQ(saved.code, 0) << saved.err;
  const ProfileModel model = ReadProfile();
  EXPECT_EQ(model.Account(0).Gold, 12.5);
  EXPECT_EQ(model.Account(0).Silver, 150);
  EXPECT_EQ(model.Account(0).Palladium, 1.2);
  EXPECT_NE(model.Account(0).Updated, 0);
  EXPECT_EQ(model.Account(0).Password, "alice gold 2006");

  Result again = Balance("1001001", {}, kProfilePassword + "\n");
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(again.out, "Balance of 1001001 unchanged\n");
}

TEST_F(BalanceE2E, EgoldPassPhraseAskedWhenTheProfileHasNone) {
  WriteProfile({Egold("1001002", "")});
  Result r = Balance("1001002", {"--display-currency", "EUR"}, kProfilePassword + "\nbobmetals77\n");
  EXPECT_EQ(r.code, 0) << r.err;
  // No rates stored: the value is 0.
  EXPECT_EQ(r.out, "Balance changed\nCurrent balance of 1001002 is 0 EUR\n");
  ExpectNoSecrets(r, {"bobmetals77"});

  // A typed pass phrase is not stored by --save.
  Result saved = Balance("1001002", {"--save"}, kProfilePassword + "\nbobmetals77\n");
  EXPECT_EQ(saved.code, 0) << saved.err;
  EXPECT_EQ(ReadProfile().Account(0).Password, "");
  EXPECT_EQ(ReadProfile().Account(0).Gold, 3.25);

  Result none = Balance("1001002", {}, kProfilePassword + "\nshort\n");
  EXPECT_EQ(none.code, 1);
  EXPECT_NE(none.err.find("nothing was sent"), std::string::npos) << none.err;
}

TEST_F(BalanceE2E, EgoldWrongPassPhraseIsALoginFailure) {
  WriteProfile({Egold("1001003", "not-carols-phrase")});
  Result r = Balance("1001003", {}, kProfilePassword + "\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "Could not login to account 1001003!\nCheck your PassPhrase, or e-gold AccSent.\n"
            "Your Automation got to be \"Allowed from any IP\" or allowed from your IP.\n");
}

TEST_F(BalanceE2E, LibertyReserveBalanceWithAValidToken) {
  WriteProfile({Liberty("U1000001", "daveapi", "davesecret")});
  Result r = Balance("U1000001", {"--save", "--verbose"}, kProfilePassword + "\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Balance changed\nCurrent balance of U1000001 is $1500,  250 EUR\nSaved " + profile_ + "\n");
  ExpectNoSecrets(r, {"davesecret"});
  const ProfileModel model = ReadProfile();
  EXPECT_EQ(model.Account(0).LRusd, CurrencyFromUnits(1500));
  EXPECT_EQ(model.Account(0).LReur, CurrencyFromUnits(250));
}

TEST_F(BalanceE2E, LibertyReserveWrongSecurityWordIsAnErrorAnswer) {
  AccountRecord account = Liberty("U1000002", "erinshop", "not-erins-word");
  account.LRusd = CurrencyFromUnits(7);
  WriteProfile({account});
  Result r = Balance("U1000002", {"--save"}, kProfilePassword + "\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out.rfind("Account U1000002 error!\nError 200: Authentication failed (", 0), 0u) << r.out;
  ExpectNoSecrets(r, {"not-erins-word"});
  // The error answer moves Updated but keeps the balance.
  const ProfileModel model = ReadProfile();
  EXPECT_EQ(model.Account(0).LRusd, CurrencyFromUnits(7));
  EXPECT_NE(model.Account(0).Updated, 0);
}

TEST_F(BalanceE2E, UnreachableServerIsAConnectionProblemAndNothingIsSaved) {
  WriteProfile({Egold("1001001", "alice gold 2006")});
  Result r = Balance("1001001", {"--save"}, kProfilePassword + "\n",
                     {{"NUMMORA_EGOLD_SECURE", "https://127.0.0.1:1"}});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out.rfind("Connection problem!\n", 0), 0u) << r.out;
  EXPECT_EQ(ReadProfile().Account(0).Updated, 0);
}

TEST_F(BalanceE2E, UnknownAccountAndMissingArguments) {
  WriteProfile({Egold("1001001", "alice gold 2006")});
  EXPECT_EQ(Balance("999", {}, kProfilePassword + "\n").code, 1);
  EXPECT_EQ(Balance("1001001", {"--display-currency", "GBP"}, kProfilePassword + "\n").code, 2);
  EXPECT_EQ(Balance("1001001", {}, "wrong-password\n").code, 4);
}

}  // namespace
}  // namespace nummora
