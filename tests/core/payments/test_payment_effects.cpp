// What a completed payment changes: balances, records and refreshes for each outcome, with the
// payee inside or outside the profile; and the memo and merchant histories.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payments/payment_effects.h"

using namespace nummora;

namespace {

struct EffectsCase {
  const char* name;
  int type;  // 0 e-gold, 1 Liberty Reserve
  std::string payee;
  PaymentResult result;
  bool closingBalance;
  // Expected, after applying the changes to a profile where every account starts at 5 silver
  // ounces and 100 of each Liberty Reserve currency.
  double sourceSilver, payeeSilver;
  Currency sourceEur, payeeEur;
  std::vector<std::string> records;  // kind and recipient of each
  std::vector<int> refresh;
};

class PaymentEffectsRule : public ::testing::TestWithParam<EffectsCase> {};

TEST_P(PaymentEffectsRule, Applies) {
  const EffectsCase& c = GetParam();
  ProfileModel model;
  for (const char* id : {"1001", "1002", "U1001", "U1002", "1003"}) {
    AccountRecord a;
    a.Type = id[0] == 'U' ? AccountType::LibertyReserve : AccountType::Egold;
    a.ID = id;
    a.Silver = 5;
    a.LRusd = a.LReur = CurrencyFromUnits(100);
    model.AppendAccount(a);
  }
  model.DeleteAccount(4);  // a payee deleted in this run is no account of the profile any more
  SentPayment sent;
  sent.type = static_cast<AccountType>(c.type);
  sent.source = c.type == 0 ? 0 : 2;
  sent.sourceText = "Mine";
  sent.payee = c.payee;
  sent.amount = "1,000.5";
  sent.metal = 1;
  sent.euro = true;
  PaymentOutcome outcome;
  outcome.result = c.result;
  outcome.batch = "77";
  outcome.ounces = 0.25;
  if (c.closingBalance) outcome.closingBalance = CurrencyFromUnits(42);

  const PaymentEffects effects =
      EffectsOfPayment(model, sent, outcome, MakeNumberFormat(UsEnglishFormatSettings()));
  for (const BalanceChange& change : effects.changes)
    ApplyBalanceChange(change, model.Account(change.position));
  const int payee = c.type == 0 ? 1 : 3;
  EXPECT_DOUBLE_EQ(model.Account(0).Silver, c.sourceSilver) << c.name;
  EXPECT_DOUBLE_EQ(model.Account(1).Silver, c.payeeSilver) << c.name;
  EXPECT_EQ(model.Account(2).LReur, c.sourceEur) << c.name;
  EXPECT_EQ(model.Account(3).LReur, c.payeeEur) << c.name;
  EXPECT_EQ(model.Account(payee).LRusd, CurrencyFromUnits(100)) << c.name;  // the other currency stays
  std::vector<std::string> records;
  for (const PaymentRecord& r : effects.records) {
    records.push_back(r.kind + " " + r.recipient);
    EXPECT_EQ(r.batch, "77");
  }
  EXPECT_EQ(records, c.records) << c.name;
  EXPECT_EQ(effects.refresh, c.refresh) << c.name;
}

const Currency k100 = CurrencyFromUnits(100);

INSTANTIATE_TEST_SUITE_P(
    Cases, PaymentEffectsRule,
    ::testing::Values(
        EffectsCase{"egold to own",
                    0,
                    "1002",
                    PaymentResult::Paid,
                    false,
                    4.75,
                    5.25,
                    k100,
                    k100,
                    {"Spent 1002", "Received Mine"},
                    {0, 1}},
        EffectsCase{"egold to stranger",
                    0,
                    "9999",
                    PaymentResult::Paid,
                    false,
                    4.75,
                    5,
                    k100,
                    k100,
                    {"Spent 9999"},
                    {0}},
        EffectsCase{"egold to deleted",
                    0,
                    "1003",
                    PaymentResult::Paid,
                    false,
                    4.75,
                    5,
                    k100,
                    k100,
                    {"Spent 1003"},
                    {0}},
        EffectsCase{"egold refused", 0, "1002", PaymentResult::Refused, false, 5, 5, k100, k100, {}, {}},
        EffectsCase{"egold unknown", 0, "1002", PaymentResult::Unknown, false, 5, 5, k100, k100, {}, {0}},
        EffectsCase{
            "egold transport", 0, "1002", PaymentResult::TransportFailure, false, 5, 5, k100, k100, {}, {0}},
        EffectsCase{"lr to own",
                    1,
                    "U1002",
                    PaymentResult::Paid,
                    true,
                    5,
                    5,
                    CurrencyFromUnits(42),
                    k100 + CurrencyFromUnits(1000) + 5000,
                    {"Spent U1002", "Received Mine"},
                    {}},
        EffectsCase{"lr without closing balance",
                    1,
                    "U9",
                    PaymentResult::Paid,
                    false,
                    5,
                    5,
                    k100,
                    k100,
                    {"Spent U9"},
                    {2}},
        EffectsCase{"lr unknown", 1, "U1002", PaymentResult::Unknown, true, 5, 5, k100, k100, {}, {2}}));

TEST(PaymentHistory, RemembersLongerTextsInOrderWithDuplicates) {
  EXPECT_FALSE(WorthRemembering(" abc "));
  EXPECT_TRUE(WorthRemembering("abcd"));
  std::string stored = AddToHistory("", "zeta");
  stored = AddToHistory(stored, "abcd");
  stored = AddToHistory(stored, "abcd");
  EXPECT_EQ(stored, "abcd\r\nabcd\r\nzeta\r\n");
  EXPECT_EQ(HistoryChoices("b\n\na\r\n"), (std::vector<std::string>{"a", "b"}));
  // Alphabetical, not byte order: case does not separate words, accented capitals neither.
  EXPECT_EQ(HistoryChoices("Zed\napple\nBanana\n\xC9"
                           "clair\n\xE9t\xE9\napple\nApple\n"),
            (std::vector<std::string>{"Apple", "apple", "apple", "Banana", "Zed",
                                      "\xC9"
                                      "clair",
                                      "\xE9t\xE9"}));
}

}  // namespace
