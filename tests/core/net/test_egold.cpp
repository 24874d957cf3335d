#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "net/egold.h"
#include "net/form_encoding.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

std::string Field(const std::string& name, const std::string& value) {
  return "<input type=hidden name=" + name + " value=\"" + value + "\">\n";
}

const std::string kLoginText =
    "Could not login to account 123456. Either Automation Access not enabled, IP Attribute does "
    "not match, or PassPhrase is incorrect.";

// --- login line and masking ---

TEST(EgoldLoginLine, TwoFormLinesSoThePassPhraseArrivesAsTyped) {
  AccountRecord a;
  a.ID = "123456";
  EXPECT_EQ(FormBodyFromText(EgoldLoginLine(a)), "AccountID=123456&PassPhrase=");
  a.Password = "pass phrase";
  EXPECT_EQ(FormBodyFromText(EgoldLoginLine(a)), "AccountID=123456&PassPhrase=pass%20phrase");
  a.Password = "a b&c=d+e";
  EXPECT_EQ(FormBodyFromText(EgoldLoginLine(a)), "AccountID=123456&PassPhrase=a%20b%26c=d%2Be");
  EXPECT_EQ(EgoldLoginFields(a), SplitFormLines(EgoldLoginLine(a)));
}

struct MaskCase {
  const char* name;
  std::string text;
  std::string masked;
};

class MaskPassPhraseCases : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskPassPhraseCases, HidesTheValueToTheEndOfItsLine) {
  EXPECT_EQ(MaskPassPhrase(GetParam().text), GetParam().masked);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskPassPhraseCases,
    ::testing::Values(MaskCase{"RequestLine", "https://e/acct/balance.aspAccountID=1&PassPhrase=s3cr3t",
                               "https://e/acct/balance.aspAccountID=1&PassPhrase=********"},
                      MaskCase{"PhraseWithAmpersand", "AccountID=1&PassPhrase=a&b=c&Amount=2",
                               "AccountID=1&PassPhrase=********"},
                      MaskCase{"FurtherLinesKept", "AccountID=1&PassPhrase=x\r\nPayee_Account=2",
                               "AccountID=1&PassPhrase=********\r\nPayee_Account=2"},
                      MaskCase{"EmptyPhrase", "AccountID=1&PassPhrase=", "AccountID=1&PassPhrase="},
                      MaskCase{"Twice", "PassPhrase=a\nPassPhrase=bb",
                               "PassPhrase=********\nPassPhrase=********"},
                      MaskCase{"NoPhrase", "nothing to hide", "nothing to hide"}),
    [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

// --- error reading ---

struct ErrorCase {
  const char* name;
  std::string page;
  std::string text;
};

class EgoldErrorReading : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(EgoldErrorReading, GivesTheErrorTextOrNothing) {
  EXPECT_EQ(EgoldErrorText(GetParam().page, "123456"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EgoldErrorReading,
    ::testing::Values(
        ErrorCase{"LoginFailure", "<p>Could not login to account.</p>", kLoginText},
        ErrorCase{"LoginWinsOverErrorField", Field("ERROR", "Bad amount") + "Could not login to account.",
                  kLoginText},
        ErrorCase{"ErrorField", "<html>" + Field("ERROR", "Bad amount") + "</html>", "Bad amount"},
        ErrorCase{"QuoteWithoutBracketDoesNotClose",
                  "<input type=hidden name=ERROR value=\"say \"hi\" now\">", "say \"hi\" now"},
        ErrorCase{"LoginWithoutFullStopIsNoError", "Could not login to account 5", ""},
        ErrorCase{"UnclosedErrorValue", "<input type=hidden name=ERROR value=\"Bad amount", ""},
        ErrorCase{"ValueClosedTooLate",
                  "<input type=hidden name=ERROR value=\"" + std::string(9999, 'x') + "\">", ""},
        ErrorCase{"ValueClosedJustInTime",
                  "<input type=hidden name=ERROR value=\"" + std::string(9997, 'x') + "\">",
                  std::string(9997, 'x')},
        ErrorCase{"PatternAtEnd", "<input type=hidden name=ERROR", ""},
        // Pages of a logged-in account echo texts other people chose: the sentence there is
        // the payee's name, a memo or a merchant reference, never the login-failure page.
        ErrorCase{"SentenceAsPayeeNameOnPreview",
                  "<p>Pay 1 oz to Could not login to account. (5)</p>" +
                      Field("PAYEE_NAME", "Could not login to account."),
                  ""},
        ErrorCase{"SentenceAsMerchantOnReceipt",
                  Field("PAYMENT_BATCH_NUM", "41") + Field("PAYMENT_ID", "Could not login to account."), ""},
        ErrorCase{"ErrorFieldOnPreviewStillCounts",
                  Field("PAYEE_NAME", "Could not login to account.") + Field("ERROR", "Invalid Amount"),
                  "Invalid Amount"},
        ErrorCase{"NoError", "<html>fine</html>", ""}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(EgoldErrorReading, ErrorFieldBeyondSixteenBitPositionsIsARangeError) {
  EXPECT_THROW(EgoldErrorText(std::string(65535, ' ') + Field("ERROR", "x"), "1"), ERangeError);
  EXPECT_EQ(EgoldErrorText(std::string(65534, ' ') + Field("ERROR", "x"), "1"), "x");
}

// --- balance page ---

const MetalAmounts kZero{0, 0, 0, 0};

TEST(EgoldBalancePage, ReadsTheFourFields) {
  const std::string page = Field("Gold_Ounces", "1.5") + Field("Silver_Ounces", "10") +
                           Field("Platinum_Ounces", "0.25") + Field("Palladium_Ounces", "3.125");
  const EgoldBalancePage read = ReadEgoldBalancePage(page, {1.5, 0, 0, 3.125}, NumberFormat());
  EXPECT_EQ(read.outcome, EgoldPageOutcome::Balances);
  EXPECT_EQ(read.balances, (MetalAmounts{1.5, 10, 0.25, 3.125}));
  EXPECT_EQ(read.changed, (std::array<bool, 4>{false, true, true, false}));
  EXPECT_TRUE(read.AnyChanged());
}

TEST(EgoldBalancePage, MissingFieldsReadAsZero) {
  const EgoldBalancePage read =
      ReadEgoldBalancePage(Field("Gold_Ounces", "1.5"), {1.5, 2, 0, 0}, NumberFormat());
  EXPECT_EQ(read.balances, (MetalAmounts{1.5, 0, 0, 0}));
  EXPECT_EQ(read.changed, (std::array<bool, 4>{false, true, false, false}));
}

struct ValueCase {
  const char* name;
  std::string value;
  double balance;
};

class EgoldBalanceValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(EgoldBalanceValue, ReadsTheGoldValue) {
  const EgoldBalancePage read =
      ReadEgoldBalancePage(Field("Gold_Ounces", GetParam().value), kZero, NumberFormat());
  EXPECT_EQ(read.balances[kGold], GetParam().balance);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EgoldBalanceValue,
    ::testing::Values(ValueCase{"Plain", "2.25", 2.25},
                      ValueCase{"NineteenCharacters", "1.12345678901234567", 1.12345678901234567},
                      ValueCase{"TwentyCharactersReadAsZero", "1.123456789012345678", 0},
                      ValueCase{"NotANumber", "abc", 0},
                      ValueCase{"ThousandsSeparatorIsNotANumber", "1,000.5", 0}, ValueCase{"Empty", "", 0}),
    [](const ::testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(EgoldBalancePage, UnclosedValueAtTheEndOfThePageReadsAsZero) {
  EXPECT_EQ(ReadEgoldBalancePage("<input type=hidden name=Gold_Ounces value=\"1.5", kZero, NumberFormat())
                .balances[kGold],
            0);
  EXPECT_EQ(ReadEgoldBalancePage("Gold_Ounces", kZero, NumberFormat()).balances[kGold], 0);
}

TEST(EgoldBalancePage, LoginFailureAndLockOutComeFirst) {
  const std::string fields = Field("Gold_Ounces", "1");
  EXPECT_EQ(ReadEgoldBalancePage(fields + "Could not login to account 5", kZero, NumberFormat()).outcome,
            EgoldPageOutcome::LoginFailure);
  EXPECT_EQ(ReadEgoldBalancePage(fields + "The account you have attempted to access is currently locked out.",
                                 kZero, NumberFormat())
                .outcome,
            EgoldPageOutcome::LockedOut);
  EXPECT_EQ(ReadEgoldBalancePage("Could not login to account. The account you have attempted to "
                                 "access is currently locked out",
                                 kZero, NumberFormat())
                .outcome,
            EgoldPageOutcome::LoginFailure);
}

const std::string kNoneCell =
    "<td><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><i>none</i></font></td>";

TEST(EgoldBalancePage, NoneCellEmptiesEveryBalance) {
  const EgoldBalancePage had =
      ReadEgoldBalancePage(kNoneCell + Field("Gold_Ounces", "7"), {1.5, 0, 0, 0}, NumberFormat());
  EXPECT_EQ(had.outcome, EgoldPageOutcome::Balances);
  EXPECT_EQ(had.balances, kZero);
  EXPECT_TRUE(had.AnyChanged());

  EXPECT_FALSE(ReadEgoldBalancePage(kNoneCell, kZero, NumberFormat()).AnyChanged());
}

TEST(EgoldBalancePage, PageWithoutAnyFieldIsNoBalancePage) {
  // A portal, maintenance or ERROR page must not empty the account.
  for (const std::string& page :
       {std::string("<html>Service unavailable</html>"), Field("ERROR", "Invalid request"), std::string()}) {
    const EgoldBalancePage read = ReadEgoldBalancePage(page, {1, 2, 3, 4}, NumberFormat());
    EXPECT_EQ(read.outcome, EgoldPageOutcome::NotABalancePage) << page;
    EXPECT_EQ(read.balances, (MetalAmounts{1, 2, 3, 4}));
    EXPECT_FALSE(read.AnyChanged());
  }
  // One field is enough to be a balance page.
  EXPECT_EQ(ReadEgoldBalancePage(Field("Palladium_Ounces", "0"), {1, 2, 3, 4}, NumberFormat()).outcome,
            EgoldPageOutcome::Balances);
}

TEST(EgoldBalancePage, FieldBeyondSixteenBitPositionsIsARangeError) {
  const std::string pad(65535, ' ');
  EXPECT_THROW(ReadEgoldBalancePage(pad + Field("Gold_Ounces", "1"), kZero, NumberFormat()), ERangeError);
  EXPECT_THROW(ReadEgoldBalancePage(Field("Gold_Ounces", "1") + pad + Field("Palladium_Ounces", "1"), kZero,
                                    NumberFormat()),
               ERangeError);
  // Texts only tested for presence are found anywhere.
  EXPECT_EQ(ReadEgoldBalancePage(pad + "Could not login to account", kZero, NumberFormat()).outcome,
            EgoldPageOutcome::LoginFailure);
  // The field name itself (after "<input type=hidden name=") may stand at position 65535.
  const std::size_t prefix = std::string("<input type=hidden name=").size();
  EXPECT_EQ(ReadEgoldBalancePage(std::string(65534 - prefix, ' ') + Field("Gold_Ounces", "2"), kZero,
                                 NumberFormat())
                .balances[kGold],
            2);
}

}  // namespace
}  // namespace nummora
