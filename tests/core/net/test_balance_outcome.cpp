#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/format_settings.h"
#include "net/balance_outcome.h"
#include "net/form_encoding.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

const std::string kBase = "https://egold.test";
const std::string kPassPhrase = "my secret phrase";

AccountRecord EgoldAccount(MetalAmounts balances = {0, 0, 0, 0}) {
  AccountRecord a;
  a.Index = 2;
  a.Type = AccountType::Egold;
  a.ID = "123456";
  a.Password = kPassPhrase;
  a.Refreshing = true;
  SetMetalBalances(a, balances);
  return a;
}

AccountRecord LRAccount(Currency usd, Currency eur) {
  AccountRecord a;
  a.Index = 1;
  a.Type = AccountType::LibertyReserve;
  a.ID = "U1234567";
  a.APIname = "shop";
  a.Password = "security";
  a.LRusd = usd;
  a.LReur = eur;
  return a;
}

std::string Field(const std::string& name, const std::string& value) {
  return "<input type=hidden name=" + name + " value=\"" + value + "\">";
}

std::string Page(const MetalAmounts& b) {
  return "<html>" + Field("Gold_Ounces", std::to_string(b[0])) +
         Field("Silver_Ounces", std::to_string(b[1])) + Field("Platinum_Ounces", std::to_string(b[2])) +
         Field("Palladium_Ounces", std::to_string(b[3])) + "</html>";
}

const std::string kNoneCell =
    "<font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><i>none</i></font></td>";

void ExpectNoSecret(const BalanceOutcome& out, const std::string& secret) {
  for (const std::string& line : out.events) EXPECT_EQ(line.find(secret), std::string::npos) << line;
  if (out.notice) {
    EXPECT_EQ(out.notice->message.find(secret), std::string::npos);
  }
}

// --- e-gold ---

TEST(EgoldBalanceOutcome, RequestLineIsLoggedWithTheSecretMasked) {
  EXPECT_EQ(EgoldRequestLogLine(kBase, EgoldAccount()),
            "https://egold.test/acct/balance.aspAccountID=123456&PassPhrase=********");
  for (const std::string phrase : {"", "a&b=c", kPassPhrase.c_str()}) {
    AccountRecord a = EgoldAccount();
    a.Password = phrase;
    EXPECT_EQ(EgoldRequestLogLine(kBase, a),
              MaskPassPhrase(kBase + kEgoldBalancePath + FormBodyFromText(EgoldLoginLine(a))));
  }
}

TEST(EgoldBalanceOutcome, UnchangedBalancesStoreQuietly) {
  const MetalAmounts balances{1.5, 2, 0, 0.5};
  const BalanceOutcome out = EgoldBalanceOutcome(EgoldAccount(balances), kBase, Page(balances),
                                                 {500, 8, 900, 300}, "USD", NumberFormat());
  EXPECT_FALSE(out.notice.has_value());
  EXPECT_TRUE(out.store);
  EXPECT_EQ(out.newStatus, 0);
  EXPECT_FALSE(out.fetchRecentPayments);
  const std::string line = EgoldRequestLogLine(kBase, EgoldAccount());
  // With the line logged before the request, the request line shows three times.
  EXPECT_EQ(out.events, (std::vector<std::string>{line, line}));
  ExpectNoSecret(out, kPassPhrase);
}

struct ChangeCase {
  const char* name;
  std::string displayCurrency;
  std::string message;
  MetalAmounts rates{1234.5, 8, 900, 300};
};

class EgoldChangeNotice : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(EgoldChangeNotice, ShowsTheValueInTheDisplayCurrency) {
  // 1 ounce of gold at 1234.5 is worth 1234.5.
  const BalanceOutcome out = EgoldBalanceOutcome(EgoldAccount(), kBase, Page({1, 0, 0, 0}), GetParam().rates,
                                                 GetParam().displayCurrency, NumberFormat());
  ASSERT_TRUE(out.notice.has_value());
  EXPECT_EQ(out.notice->kind, BalanceNoticeKind::Information);
  EXPECT_EQ(out.notice->title, "Balance changed");
  EXPECT_EQ(out.notice->message, GetParam().message);
  EXPECT_TRUE(out.store);
  EXPECT_EQ(out.newStatus, 0);
  EXPECT_TRUE(out.fetchRecentPayments);
  EXPECT_EQ(out.account.Gold, 1);
  ASSERT_EQ(out.events.size(), 2u);
  EXPECT_EQ(out.events.back(), out.notice->message);
}

INSTANTIATE_TEST_SUITE_P(
    Currencies, EgoldChangeNotice,
    ::testing::Values(ChangeCase{"Usd", "USD", "Current balance of 123456 is $1234.5"},
                      ChangeCase{"Eur", "EUR", "Current balance of 123456 is 1234.5 EUR"},
                      // Rates in the new currency not had yet: no made-up value.
                      ChangeCase{"EurBeforeItsRates",
                                 "EUR",
                                 "Current balance of 123456 has changed; its value in EUR "
                                 "shows when the metal rates in it arrive.",
                                 {std::nan(""), std::nan(""), std::nan(""), std::nan("")}}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST(EgoldBalanceOutcome, NoneCellIsAChangeOnlyWhenSomethingWasHeld) {
  const BalanceOutcome had = EgoldBalanceOutcome(EgoldAccount({1.5, 0, 0, 0}), kBase, kNoneCell,
                                                 {500, 8, 900, 300}, "USD", NumberFormat());
  ASSERT_TRUE(had.notice.has_value());
  EXPECT_EQ(had.notice->message, "Current balance of 123456 is $0");
  EXPECT_EQ(MetalBalances(had.account), (MetalAmounts{0, 0, 0, 0}));

  const BalanceOutcome empty =
      EgoldBalanceOutcome(EgoldAccount(), kBase, kNoneCell, {500, 8, 900, 300}, "USD", NumberFormat());
  EXPECT_FALSE(empty.notice.has_value());
  EXPECT_TRUE(empty.store);
}

TEST(EgoldBalanceOutcome, LoginFailureKeepsBalancesWithStatusThree) {
  const BalanceOutcome out = EgoldBalanceOutcome(
      EgoldAccount({1, 0, 0, 0}), kBase, "Could not login to account 123456", {}, "USD", NumberFormat());
  ASSERT_TRUE(out.notice.has_value());
  EXPECT_EQ(out.notice->kind, BalanceNoticeKind::Error);
  EXPECT_EQ(out.notice->title, "Could not login to account 123456!");
  const std::string hint =
      "Check your PassPhrase, or e-gold AccSent.\r\nYour Automation got to be \"Allowed from any "
      "IP\" or allowed from your IP.";
  EXPECT_EQ(out.notice->message, hint);
  EXPECT_TRUE(out.store);
  EXPECT_EQ(out.newStatus, 3);
  EXPECT_EQ(out.account.Gold, 1);
  EXPECT_FALSE(out.fetchRecentPayments);
  EXPECT_EQ(out.events, (std::vector<std::string>{EgoldRequestLogLine(kBase, EgoldAccount()), hint, hint}));
}

TEST(EgoldBalanceOutcome, LockedAccount) {
  const BalanceOutcome out = EgoldBalanceOutcome(
      EgoldAccount(), kBase, "The account you have attempted to access is currently locked out", {}, "USD",
      NumberFormat());
  ASSERT_TRUE(out.notice.has_value());
  EXPECT_EQ(out.notice->title, "Account locked!");
  EXPECT_EQ(out.notice->message, "The account 123456 is currently locked out");
  EXPECT_EQ(out.newStatus, 3);
  EXPECT_TRUE(out.store);
}

TEST(EgoldBalanceOutcome, PageWithoutBalancesIsRefusedNotZeroed) {
  const MetalAmounts held{1.5, 2, 0, 0};
  const BalanceOutcome error =
      EgoldBalanceOutcome(EgoldAccount(held), kBase, Field("ERROR", "Automation temporarily unavailable"), {},
                          "USD", NumberFormat());
  ASSERT_TRUE(error.notice.has_value());
  EXPECT_EQ(error.notice->kind, BalanceNoticeKind::Error);
  EXPECT_EQ(error.notice->title, "Account 123456 error!");
  EXPECT_EQ(error.notice->message, "Automation temporarily unavailable");
  EXPECT_TRUE(error.store);
  EXPECT_EQ(error.newStatus, 3);
  EXPECT_EQ(MetalBalances(error.account), held);
  EXPECT_FALSE(error.fetchRecentPayments);

  const BalanceOutcome other =
      EgoldBalanceOutcome(EgoldAccount(held), kBase, "<html>Welcome</html>", {}, "USD", NumberFormat());
  ASSERT_TRUE(other.notice.has_value());
  EXPECT_EQ(other.notice->message, "The answer of the e-gold server holds no balances.");
  EXPECT_EQ(MetalBalances(other.account), held);
}

TEST(EgoldBalanceOutcome, UnreadablePageStoresNothing) {
  const std::string page = std::string(70000, ' ') + Field("Gold_Ounces", "1");
  const BalanceOutcome out = EgoldBalanceOutcome(EgoldAccount(), kBase, page, {}, "USD", NumberFormat());
  EXPECT_TRUE(out.readFailed);
  EXPECT_FALSE(out.store);
  EXPECT_FALSE(out.notice.has_value());
  ASSERT_EQ(out.events.size(), 2u);
  EXPECT_NE(out.events[1].find("Range check error"), std::string::npos);
}

TEST(BalanceTransportFailure, AnnouncesConnectionProblemAndStoresNothing) {
  for (const BalanceOutcome& out : {EgoldTransportFailure(EgoldAccount(), "Could not connect"),
                                    LRTransportFailure(LRAccount(0, 0), "Could not connect")}) {
    ASSERT_TRUE(out.notice.has_value());
    EXPECT_EQ(out.notice->kind, BalanceNoticeKind::Error);
    EXPECT_EQ(out.notice->title, "Connection problem!");
    EXPECT_EQ(out.notice->message, "Could not connect");
    EXPECT_FALSE(out.store);
    EXPECT_EQ(out.events, (std::vector<std::string>{"Could not connect", "Could not connect"}));
  }
}

// --- Liberty Reserve ---

std::string LRAnswer(const std::string& balances) {
  return "<BalanceResponse id=\"1\">" + balances + "</BalanceResponse>";
}
std::string LRBalance(const std::string& currency, const std::string& value) {
  return "<Balance><CurrencyId>" + currency + "</CurrencyId><Value>" + value + "</Value></Balance>";
}

struct LRCase {
  const char* name;
  Currency usd, eur;
  std::string balances;
  std::string message;  // empty: no notice
  Currency newUsd, newEur;
};

class LRChangeNotice : public ::testing::TestWithParam<LRCase> {};

TEST_P(LRChangeNotice, WordsTheChangedCurrencies) {
  const LRCase& c = GetParam();
  const BalanceOutcome out = LRBalanceOutcome(LRAccount(c.usd, c.eur), LRAnswer(c.balances), NumberFormat());
  EXPECT_TRUE(out.store);
  EXPECT_EQ(out.newStatus, 0);
  EXPECT_FALSE(out.fetchRecentPayments);
  EXPECT_EQ(out.account.LRusd, c.newUsd);
  EXPECT_EQ(out.account.LReur, c.newEur);
  if (c.message.empty()) {
    EXPECT_FALSE(out.notice.has_value());
  } else {
    ASSERT_TRUE(out.notice.has_value());
    EXPECT_EQ(out.notice->kind, BalanceNoticeKind::Information);
    EXPECT_EQ(out.notice->title, "Balance changed");
    EXPECT_EQ(out.notice->message, c.message);
  }
  EXPECT_EQ(out.events, (std::vector<std::string>{c.message}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LRChangeNotice,
    ::testing::Values(LRCase{"DollarsOnly", 100000, 50000,
                             LRBalance("LRUSD", "12.5") + LRBalance("LREUR", "5"),
                             "Current balance of U1234567 is $12.5", 125000, 50000},
                      LRCase{"Both", 100000, 50000, LRBalance("LRUSD", "12.5") + LRBalance("LREUR", "3"),
                             "Current balance of U1234567 is $12.5,  3 EUR", 125000, 30000},
                      LRCase{"EurosOnly", 100000, 50000, LRBalance("LREUR", "3.25"),
                             "Current balance of U1234567 is 3.25 EUR", 100000, 32500},
                      LRCase{"MissingCurrencyKeepsItsValue", 100000, 50000, LRBalance("LRUSD", "12.5"),
                             "Current balance of U1234567 is $12.5", 125000, 50000},
                      LRCase{"Unchanged", 125000, 30000, LRBalance("LRUSD", "12.5") + LRBalance("LREUR", "3"),
                             "", 125000, 30000},
                      LRCase{"ThousandsSeparatorReadsAsZero", 100000, 0, LRBalance("LRUSD", "1,000.00"),
                             "Current balance of U1234567 is $0", 0, 0},
                      LRCase{"NoBalancesAtAll", 100000, 50000, "", "", 100000, 50000}),
    [](const ::testing::TestParamInfo<LRCase>& info) { return std::string(info.param.name); });

TEST(LRBalanceOutcome, ErrorAnswerKeepsBalancesWithStatusThree) {
  const std::string answer =
      "<BalanceResponse><Error><Code>201</Code><Text>Invalid token</Text></Error>"
      "<Balance><CurrencyId>LRUSD</CurrencyId><Value>99</Value></Balance></BalanceResponse>";
  const BalanceOutcome out = LRBalanceOutcome(LRAccount(100000, 0), answer, NumberFormat());
  ASSERT_TRUE(out.notice.has_value());
  EXPECT_EQ(out.notice->kind, BalanceNoticeKind::Error);
  EXPECT_EQ(out.notice->title, "Account U1234567 error!");
  EXPECT_EQ(out.notice->message, "Error 201: Invalid token ()");
  EXPECT_TRUE(out.store);
  EXPECT_EQ(out.newStatus, 3);
  EXPECT_EQ(out.account.LRusd, 100000);
  EXPECT_EQ(out.events, (std::vector<std::string>{out.notice->message, out.notice->message}));
  ExpectNoSecret(out, "security");
}

TEST(LRBalanceOutcome, UnreadableAnswerStoresNothing) {
  const std::string answer = std::string(70000, ' ') + LRBalance("LRUSD", "1");
  const BalanceOutcome out = LRBalanceOutcome(LRAccount(0, 0), answer, NumberFormat());
  EXPECT_TRUE(out.readFailed);
  EXPECT_FALSE(out.store);
  EXPECT_FALSE(out.notice.has_value());
  EXPECT_EQ(out.account.LRusd, 0);
}

// --- Store ---

TEST(ApplyBalanceOutcome, WritesOnlyTheRefreshResults) {
  const BalanceOutcome out =
      LRBalanceOutcome(LRAccount(0, 0), LRAnswer(LRBalance("LRUSD", "7")), NumberFormat());
  // Meanwhile the main thread renamed the account and deleted it.
  AccountRecord entry = LRAccount(0, 0);
  entry.Name = "edited";
  entry.ID.clear();
  entry.Status = 3;
  entry.Refreshing = true;
  ApplyBalanceOutcome(out, entry, 40000.5);
  EXPECT_EQ(entry.LRusd, 70000);
  EXPECT_EQ(entry.Updated, 40000.5);
  EXPECT_EQ(entry.Status, 0);
  EXPECT_EQ(entry.Name, "edited");
  EXPECT_EQ(entry.ID, "");
  EXPECT_TRUE(entry.Refreshing);
}

TEST(ApplyBalanceOutcome, EgoldWritesMetalsAndFailureWritesNothing) {
  const BalanceOutcome out =
      EgoldBalanceOutcome(EgoldAccount(), kBase, Page({1, 2, 3, 4}), {1, 1, 1, 1}, "USD", NumberFormat());
  AccountRecord entry = EgoldAccount();
  entry.LRusd = 5;  // untouched for an e-gold account
  ApplyBalanceOutcome(out, entry, 100);
  EXPECT_EQ(MetalBalances(entry), (MetalAmounts{1, 2, 3, 4}));
  EXPECT_EQ(entry.LRusd, 5);

  AccountRecord kept = EgoldAccount({9, 0, 0, 0});
  kept.Updated = 7;
  ApplyBalanceOutcome(EgoldTransportFailure(kept, "down"), kept, 100);
  EXPECT_EQ(kept.Updated, 7);
  EXPECT_EQ(kept.Gold, 9);
}

// A refusal moves Updated and Status only: a balance the main thread changed after the copy was
// taken (a payment's) stays.
TEST(ApplyBalanceOutcome, RefusalKeepsTheEntrysBalances) {
  const BalanceOutcome refused = EgoldBalanceOutcome(EgoldAccount({9, 0, 0, 0}), kBase,
                                                     "Could not login to account", {}, "USD", NumberFormat());
  AccountRecord entry = EgoldAccount({4, 0, 0, 0});
  ApplyBalanceOutcome(refused, entry, 100);
  EXPECT_EQ(entry.Gold, 4);
  EXPECT_EQ(entry.Updated, 100);
  EXPECT_EQ(entry.Status, 3);
}

}  // namespace
}  // namespace nummora
