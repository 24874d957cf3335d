// The settings file: what an export writes, what an import reads back, and the import walk
// over the account table.
#include <gtest/gtest.h>

#include "preferences/settings_transfer.h"

using namespace nummora;

namespace {

AccountRecord Account(const std::string& name, const std::string& id, bool startup, uint16_t refresh) {
  AccountRecord a;
  a.Name = name;
  a.ID = id;
  a.Update = startup;
  a.Refresh = refresh;
  a.Password = "pass phrase";
  a.Gold = 1.5;
  return a;
}

TEST(SettingsFile, RoundTripOfAccountsPreferencesAndContacts) {
  ExportedPreferences prefs;
  prefs.fiat = 1;
  prefs.savePassPhrase = false;
  prefs.hotkeyBalance = 24641;
  prefs.hotkeySpend = 0;
  prefs.useProxy = true;
  prefs.proxyHost = "proxy.example";
  prefs.proxyPort = "8080";
  prefs.proxyUser = "me";
  prefs.proxyPasswd = "pw=1";
  const std::vector<ContactRecord> contacts = {{"Shop", "111", "U222", "m", "own comment"},
                                               {"Other", "", "", "", ""}};
  IniFile ini;
  WriteSettingsExport(ini, "3/1/2024 12:00:00 PM", "moving",
                      {Account("Main", "123456", true, 10), Account("", "U7654321", false, 0),
                       Account("Third", "42", false, 65535)},
                      &prefs, &contacts);
  const std::string text = ini.ToText();
  EXPECT_EQ(text.find("pass phrase"), std::string::npos) << "no pass phrase goes into the file";
  EXPECT_NE(text.find("Accounts=3\r\n"), std::string::npos);
  EXPECT_NE(text.find("Addresses=2\r\n"), std::string::npos);

  const SettingsFileContent back = ReadSettingsFile(IniFile::Parse(text));
  EXPECT_EQ(back.comment, "moving");
  ASSERT_EQ(back.accounts.size(), 3u);
  EXPECT_EQ(ImportLineCaption(back.accounts[0]), "Main <123456>");
  EXPECT_TRUE(back.accounts[0].startup);
  EXPECT_EQ(back.accounts[0].refresh, 10);
  EXPECT_EQ(back.accounts[2].refresh, 65535);
  EXPECT_TRUE(back.hasPreferences);
  EXPECT_TRUE(back.hasAddressBook);
  ASSERT_EQ(back.contacts.size(), 2u);
  // e-gold number, Liberty Reserve number and e-mail come back; the comment does not travel.
  EXPECT_EQ(back.contacts[0], (ContactRecord{"Shop", "111", "U222", "m", ""}));
  EXPECT_EQ(back.contacts[1], (ContactRecord{"Other", "", "", "", ""}));
}

TEST(SettingsFile, ExportOntoAnOlderFileKeepsWhatItDoesNotWrite) {
  IniFile old;
  std::vector<AccountRecord> five;
  for (int n = 1; n <= 5; ++n)
    five.push_back(Account("Old" + std::to_string(n), std::to_string(1000 + n), false, 0));
  WriteSettingsExport(old, "then", "old", five, nullptr, nullptr);
  old.WriteString("Mine", "Key", "kept");
  IniFile ini = IniFile::Parse(old.ToText());
  WriteSettingsExport(ini, "now", "new", {Account("A", "1", false, 0), Account("B", "2", false, 0)}, nullptr,
                      nullptr);
  EXPECT_EQ(ini.ReadInteger("General", "Accounts", -1), 2);
  EXPECT_EQ(ini.ReadString("Mine", "Key"), "kept");
  const SettingsFileContent back = ReadSettingsFile(ini);
  ASSERT_EQ(back.accounts.size(), 5u);
  EXPECT_EQ(back.accounts[1].account, "2");
  EXPECT_EQ(back.accounts[2].name, "Old3");
  EXPECT_FALSE(back.hasPreferences);
}

TEST(SettingsFile, AwkwardValuesComeBackAsWritten) {
  const std::vector<std::string> values = {"a=b=c",          "\"quoted\"", "'single'", "  leading blanks",
                                           "trailing  ",     "caf\xE9",    "\"",       "; not a comment",
                                           "[not a section]"};
  std::vector<AccountRecord> accounts;
  for (const std::string& v : values) accounts.push_back(Account(v, "1", false, 0));
  IniFile ini;
  WriteSettingsExport(ini, "d", "x\"y\"", accounts, nullptr, nullptr);
  const SettingsFileContent back = ReadSettingsFile(IniFile::Parse(ini.ToText()));
  ASSERT_EQ(back.accounts.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(back.accounts[i].name, values[i]) << i;
  EXPECT_EQ(back.comment, "x\"y\"");
}

TEST(SettingsFile, ReadsAFileOfAnotherProgram) {
  // CR LF, blanks around names and values, quotes, mixed case, a duplicate key (the first
  // counts) and a duplicate section (the first counts).
  const std::string text =
      "; written by hand\r\n[general]\r\n Comment = \"  spaced  \" \r\n[ACCOUNTS]\r\nname1=Main\r\n"
      "Account1 = 1234567\r\nStartup1=5\r\nRefresh1=$10\r\nName1=Second\r\nNAME2=Caf\xE9\r\nAccount2=U1\r\n"
      "[Accounts]\r\nName3=hidden\r\n[Preferences]\r\n";
  const SettingsFileContent back = ReadSettingsFile(IniFile::Parse(text));
  EXPECT_EQ(back.comment, "  spaced  ");
  ASSERT_EQ(back.accounts.size(), 2u);
  EXPECT_EQ(back.accounts[0].name, "Main");
  EXPECT_EQ(back.accounts[0].account, "1234567");
  EXPECT_TRUE(back.accounts[0].startup);
  EXPECT_EQ(back.accounts[0].refresh, 16);
  EXPECT_EQ(back.accounts[1].name, "Caf\xE9");
  EXPECT_TRUE(back.hasPreferences);
  EXPECT_FALSE(back.hasAddressBook);
}

// The import walk over a model, answering the overwrite question from a list.
class ModelImporter : public AccountImporter {
 public:
  int FindAccount(const std::string& id) override { return model.FindAccount(id); }
  int AppendAccount(const AccountRecord& account) override {
    return model.AccountCount() >= ProfileModel::kMaxAccounts ? -1 : model.AppendAccount(account);
  }
  bool ConfirmOverwrite(const std::string& id) override {
    asked.push_back(id);
    return overwrite;
  }
  void ReplaceAccount(int position, const AccountRecord& account) override {
    model.Account(position) = account;
    model.Account(position).Index = static_cast<int8_t>(position);
  }
  void RefreshAccount(int position) override { refreshed.push_back(position); }

  ProfileModel model;
  bool overwrite = false;
  std::vector<std::string> asked;
  std::vector<int> refreshed;
};

SettingsFileContent Lines(const std::vector<ImportLine>& lines) {
  SettingsFileContent c;
  c.accounts = lines;
  return c;
}

TEST(ImportWalk, SkipsLibertyReserveAndTextAndAsksBeforeOverwriting) {
  for (const bool yes : {false, true}) {
    ModelImporter target;
    target.overwrite = yes;
    AccountRecord existing = Account("Kept", "555", false, 5);
    target.model.AppendAccount(existing);
    const SettingsFileContent c = Lines({{"LR", "U1234567", true, 0},
                                         {"Text", "abc", false, 0},
                                         {"Zero", "0", false, 0},
                                         {"Neg", "-5", false, 0},
                                         {"New", "777", true, 30},
                                         {"Again", "555", false, 0},
                                         {"Tag>", "999", false, 0},
                                         {"Unticked", "888", false, 0}});
    ImportReport report;
    ImportAccounts(c, {0, 1, 2, 3, 4, 5, 6}, target, report);
    ASSERT_EQ(target.model.AccountCount(), 2) << "only the new e-gold account is added";
    const AccountRecord& added = target.model.Account(1);
    EXPECT_EQ(added.ID, "777");
    EXPECT_EQ(added.Type, AccountType::Egold);
    EXPECT_TRUE(added.Update);
    EXPECT_EQ(added.Refresh, 30);
    EXPECT_EQ(added.Password, "");
    EXPECT_EQ(target.asked, std::vector<std::string>{"555"});
    EXPECT_EQ(target.model.Account(0).Name, yes ? "Again" : "Kept");
    EXPECT_EQ(target.model.Account(0).Password, yes ? "" : "pass phrase");
    // Both the new and the existing account are refreshed, whatever the answer.
    EXPECT_EQ(target.refreshed, (std::vector<int>{1, 0}));
    // Each entry left out is named with its reason; a name the account editor refuses is left
    // out with the editor's message.
    EXPECT_EQ(report.accountsImported, yes ? 2 : 1);
    EXPECT_EQ(report.accountsKept, yes ? 0 : 1);
    ASSERT_EQ(report.skippedAccounts.size(), 5u);
    EXPECT_EQ(report.skippedAccounts[0].caption, "LR <U1234567>");
    EXPECT_NE(report.skippedAccounts[0].reason.find("Liberty Reserve"), std::string::npos);
    EXPECT_EQ(report.skippedAccounts[1].reason, "\"abc\" is not an e-gold account number.");
    EXPECT_EQ(report.skippedAccounts[4].caption, "Tag> <999>");
    EXPECT_EQ(report.skippedAccounts[4].reason,
              "The field \"Account name\" must not contain \"<\" or \">\".");
  }
}

TEST(ImportWalk, StopsAtABadRefreshIntervalAndAtAFullTableNamingTheAccount) {
  ModelImporter target;
  const SettingsFileContent bad =
      Lines({{"A", "1", false, 0}, {"B", "2", false, 65536}, {"C", "3", false, 0}});
  try {
    ImportAccounts(bad, {0, 1, 2}, target);
    FAIL() << "the import went on";
  } catch (const ImportStop& stop) {
    EXPECT_NE(std::string(stop.what()).find("account 2"), std::string::npos) << stop.what();
  }
  EXPECT_EQ(target.model.AccountCount(), 1) << "the account before stays, the one after is not imported";

  ModelImporter full;
  for (int n = 0; n < ProfileModel::kMaxAccounts - 1; ++n)
    full.model.AppendAccount(Account("", std::to_string(n + 1), false, 0));
  const SettingsFileContent more = Lines({{"Last", "5000", false, 0}, {"Over", "5001", false, 0}});
  EXPECT_THROW(ImportAccounts(more, {0, 1}, full), ImportStop);
  EXPECT_EQ(full.model.AccountCount(), ProfileModel::kMaxAccounts);
  EXPECT_EQ(full.model.Account(ProfileModel::kMaxAccounts - 1).ID, "5000");
}

}  // namespace
