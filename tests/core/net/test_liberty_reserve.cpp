#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "net/liberty_reserve.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

AccountRecord LRAccount() {
  AccountRecord a;
  a.Type = AccountType::LibertyReserve;
  a.ID = "U1234567";
  a.APIname = "shop";
  a.Password = "word";
  return a;
}

// --- request id ---

TEST(LRRequestId, WritesYearDayMonthTimeAndMilliseconds) {
  EXPECT_EQ(LRRequestId(EncodeDateTime(2008, 3, 5, 14, 7, 9, 42)), "1080503140709042");
  EXPECT_EQ(LRRequestId(EncodeDateTime(2010, 12, 31, 23, 59, 59, 999)), "1103112235959999");
}

TEST(LRRequestId, ComesFromTheClockAndRepeatsWithinOneMillisecond) {
  FixedClock clock(EncodeDateTime(2008, 3, 5, 14, 7, 9, 42));
  ScopedClock use(&clock);
  const std::string first = LRRequestId();
  EXPECT_EQ(first, "1080503140709042");
  EXPECT_EQ(LRRequestId(), first);
  clock.Set(EncodeDateTime(2008, 3, 5, 14, 7, 9, 43));
  EXPECT_EQ(LRRequestId(), "1080503140709043");
}

// --- token ---

struct TokenCase {
  const char* name;
  std::string word;
  TDateTime utc;
  std::string token;  // SHA-256 of word:yyyymmdd:hh, computed independently
};

class LRTokenKnownAnswer : public ::testing::TestWithParam<TokenCase> {};

TEST_P(LRTokenKnownAnswer, HashesWordDateAndHour) {
  EXPECT_EQ(LRToken(GetParam().word, GetParam().utc), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, LRTokenKnownAnswer,
    ::testing::Values(
        // "word:20081231:23"
        TokenCase{"LastHourOfYear", "word", EncodeDateTime(2008, 12, 31, 23, 30, 0),
                  "8752E5502EE8F056032C9750ABD8FBD9A1E80C8EC79CF17EF84533AB03399C5E"},
        // "word:20090101:00"
        TokenCase{"NewYearMidnight", "word", EncodeDateTime(2009, 1, 1, 0, 0, 0),
                  "F84A7CFD954E80C4051D895525ECFE896244B74F186B1E31B5C665715B495369"},
        // "secret:20080305:14", any minute of that hour
        TokenCase{"AnyMinuteOfTheHour", "secret", EncodeDateTime(2008, 3, 5, 14, 59, 59, 900),
                  "696376DDF81BBD362F40904183E3FFD98C6E7912CEA7EED079A1E87326C7CF53"},
        // ":20080305:14"
        TokenCase{"EmptyWord", "", EncodeDateTime(2008, 3, 5, 14, 0, 0),
                  "21B5622FAD775266032CFD7C2D4D54830A901408F56ADC1E12E325DB4DEB88C1"}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(LRToken, IsSixtyFourUpperCaseHexDigits) {
  for (const std::string word : {"", "a", "a much longer security word with blanks", "\xe9t\xe9"}) {
    const std::string token = LRToken(word, EncodeDateTime(2011, 7, 4, 5, 6, 7));
    ASSERT_EQ(token.size(), 64u);
    EXPECT_EQ(token.find_first_not_of("0123456789ABCDEF"), std::string::npos) << token;
  }
}

TEST(LRToken, ChangesWithTheHourOnly) {
  const std::string a = LRToken("word", EncodeDateTime(2008, 12, 31, 23, 0, 0));
  EXPECT_EQ(LRToken("word", EncodeDateTime(2008, 12, 31, 23, 59, 59)), a);
  EXPECT_NE(LRToken("word", EncodeDateTime(2008, 12, 31, 22, 59, 59)), a);
  EXPECT_NE(LRToken("Word", EncodeDateTime(2008, 12, 31, 23, 0, 0)), a);
}

TEST(LRToken, UsesUtcFromTheLocalTimeAndBias) {
  // 00:30 local, one hour east of Greenwich: 23:30 UTC on the day before.
  FixedClock clock(EncodeDateTime(2009, 1, 1, 0, 30, 0), -60);
  ScopedClock use(&clock);
  EXPECT_EQ(LRToken("word"), "8752E5502EE8F056032C9750ABD8FBD9A1E80C8EC79CF17EF84533AB03399C5E");
  // 18:00 local five hours west: 23:00 UTC.
  clock.Set(EncodeDateTime(2008, 12, 31, 18, 0, 0));
  clock.SetBias(300);
  EXPECT_EQ(LRToken("word"), "8752E5502EE8F056032C9750ABD8FBD9A1E80C8EC79CF17EF84533AB03399C5E");
}

// --- Auth block ---

TEST(LRAuthBlock, HoldsApiNameAndTokenBetweenCrLfs) {
  const AccountRecord account = LRAccount();
  const TDateTime utc = EncodeDateTime(2008, 12, 31, 23, 30, 0);
  EXPECT_EQ(LRAuthBlock(account, utc),
            "<Auth>\r\n<ApiName>shop</ApiName>\r\n<Token>"
            "8752E5502EE8F056032C9750ABD8FBD9A1E80C8EC79CF17EF84533AB03399C5E"
            "</Token>\r\n</Auth>\r\n");
}

TEST(LRAuthBlock, NeverHoldsTheSecurityWord) {
  AccountRecord account = LRAccount();
  account.Password = "Sup3rSecretWord";
  const std::string block = LRAuthBlock(account, EncodeDateTime(2008, 1, 1, 0, 0, 0));
  EXPECT_EQ(block.find("Sup3rSecretWord"), std::string::npos);
}

// --- date form ---

struct DateFormCase {
  const char* name;
  TDateTime local;
  int bias;
  std::string text;
};

class LRDateFormCases : public ::testing::TestWithParam<DateFormCase> {};

TEST_P(LRDateFormCases, WritesUtcDayBeforeMonthWithZeroSeconds) {
  FixedClock clock(EncodeDateTime(2020, 1, 1, 0, 0, 0), GetParam().bias);
  ScopedClock use(&clock);
  EXPECT_EQ(LRDateForm(GetParam().local), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LRDateFormCases,
    ::testing::Values(DateFormCase{"OneHourEast", EncodeDateTime(2008, 3, 5, 23, 59, 59), -60,
                                   "2008-05-03 22:59:00"},
                      DateFormCase{"AtUtc", EncodeDateTime(2008, 2, 1, 10, 0, 0), 0, "2008-01-02 10:00:00"},
                      DateFormCase{"WestCrossesMidnight", EncodeDateTime(2008, 12, 31, 22, 15, 30), 120,
                                   "2009-01-01 00:15:00"}),
    [](const ::testing::TestParamInfo<DateFormCase>& info) { return std::string(info.param.name); });

// --- error answers ---

struct ErrorCase {
  const char* name;
  std::string answer;
  bool isError;
  std::string message;
};

class LRErrorReading : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(LRErrorReading, RecognisesAndWordsErrors) {
  EXPECT_EQ(IsLRErrorAnswer(GetParam().answer), GetParam().isError);
  if (GetParam().isError) {
    EXPECT_EQ(LRErrorMessage(GetParam().answer), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LRErrorReading,
    ::testing::Values(
        ErrorCase{"Full",
                  "<BalanceResponse><Error><Code>201</Code><Text>Invalid token</Text>"
                  "<Description>Token does not match</Description></Error></BalanceResponse>",
                  true, "Error 201: Invalid token (Token does not match)"},
        ErrorCase{"NoDescription", "<Error><Code>1</Code><Text>x</Text></Error>", true, "Error 1: x ()"},
        ErrorCase{"Empty", "<Error></Error>", true, "Error :  ()"},
        ErrorCase{"NotAnError", "<BalanceResponse><Balance></Balance></BalanceResponse>", false, ""},
        ErrorCase{"ErrorNeedsItsExactTag", "<Errors><Code>1</Code></Errors>", false, ""}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(LRErrorReading, ElementBeyondSixteenBitPositionsIsARangeError) {
  const std::string answer = "<Error>" + std::string(70000, ' ') + "<Code>1</Code></Error>";
  EXPECT_TRUE(IsLRErrorAnswer(answer));
  EXPECT_THROW(LRErrorMessage(answer), ERangeError);
}

// --- form body and balance request ---

TEST(LRFormBody, PrefixesTheUrlEncodedDocument) {
  EXPECT_EQ(LRFormBody("<a b>7</a>"), "req=%3ca+b%3e%37%3c%2fa%3e");
}

TEST(LRBalanceRequest, BuildsBothCurrenciesWithoutLineBreakBeforeAuth) {
  const AccountRecord account = LRAccount();
  const TDateTime utc = EncodeDateTime(2008, 12, 31, 23, 30, 0);
  EXPECT_EQ(LRBalanceRequest(account, "1080503140709042", utc),
            "<BalanceRequest id=\"1080503140709042\">" + LRAuthBlock(account, utc) +
                "<Balance><CurrencyId>LRUSD</CurrencyId><AccountId>U1234567</AccountId></Balance>"
                "<Balance><CurrencyId>LREUR</CurrencyId><AccountId>U1234567</AccountId></Balance>"
                "</BalanceRequest>");
}

TEST(LRBalanceRequest, TakesIdAndTokenFromTheClock) {
  FixedClock clock(EncodeDateTime(2009, 1, 1, 0, 30, 0, 5), -60);
  ScopedClock use(&clock);
  const std::string doc = LRBalanceRequest(LRAccount());
  EXPECT_EQ(doc.rfind("<BalanceRequest id=\"1090101003000005\"><Auth>\r\n", 0), 0u) << doc;
  EXPECT_NE(doc.find("8752E5502EE8F056032C9750ABD8FBD9A1E80C8EC79CF17EF84533AB03399C5E"), std::string::npos);
}

// --- balance answer ---

std::string BalanceElement(const std::string& currency, const std::string& value) {
  return "<Balance><CurrencyId>" + currency + "</CurrencyId><AccountId>U1</AccountId><Value>" + value +
         "</Value></Balance>";
}

TEST(LRBalanceAnswer, ReadsEachBalanceOnceInsideAnEnclosingBalanceElement) {
  const std::string answer = "<BalanceResponse id=\"1\" date=\"x\">" + BalanceElement("LRUSD", "12.5") +
                             BalanceElement("LREUR", "3") + "</BalanceResponse>";
  const auto entries = ReadLRBalanceAnswer(answer, NumberFormat());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_FALSE(entries[0].euro);
  EXPECT_EQ(entries[0].value, 125000);
  EXPECT_TRUE(entries[1].euro);
  EXPECT_EQ(entries[1].value, 30000);
}

TEST(LRBalanceAnswer, OnlyExactLreurIsEuroAndBadNumbersReadAsZero) {
  const std::string answer = "<R>" + BalanceElement("LRUSD", "1,000.00") + BalanceElement("lreur", "2") +
                             BalanceElement("LRGOLD", "12.34567") + "</R>";
  const auto entries = ReadLRBalanceAnswer(answer, NumberFormat());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_FALSE(entries[0].euro);
  EXPECT_EQ(entries[0].value, 0);
  EXPECT_FALSE(entries[1].euro);
  EXPECT_EQ(entries[1].value, 20000);
  EXPECT_FALSE(entries[2].euro);
  EXPECT_EQ(entries[2].value, 123457);
}

TEST(LRBalanceAnswer, NoBalanceGivesNothing) {
  EXPECT_TRUE(ReadLRBalanceAnswer("", NumberFormat()).empty());
  EXPECT_TRUE(ReadLRBalanceAnswer("<BalanceResponse></BalanceResponse>", NumberFormat()).empty());
}

TEST(LRBalanceAnswer, LongAnswerIsWalkedAndFarMatchIsARangeError) {
  // Consuming keeps every match near the start: many balances in a long answer still read.
  std::string answer = "<R>";
  for (int i = 0; i < 800; ++i) answer += BalanceElement("LRUSD", "1");
  answer += "</R>";
  ASSERT_GT(answer.size(), 65535u);
  EXPECT_EQ(ReadLRBalanceAnswer(answer, NumberFormat()).size(), 800u);

  const std::string far = std::string(70000, ' ') + BalanceElement("LRUSD", "1");
  EXPECT_THROW(ReadLRBalanceAnswer(far, NumberFormat()), ERangeError);
}

TEST(LRBalanceAnswer, MegabytesAreReadInLinearTime) {
  // About 3 MB with line breaks between the elements: a walk that copies the rest of the
  // answer at each step moves tens of gigabytes here.
  std::string answer = "<BalanceResponse>";
  for (int i = 0; i < 30000; ++i)
    answer += "\r\n  " + BalanceElement(i % 2 ? "LREUR" : "LRUSD", std::to_string(i));
  answer += "\r\n</BalanceResponse>";
  const auto start = std::chrono::steady_clock::now();
  const auto entries = ReadLRBalanceAnswer(answer, NumberFormat());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(entries.size(), 30000u);
  EXPECT_TRUE(entries.back().euro);
  EXPECT_EQ(entries.back().value, 299990000);
  EXPECT_LT(elapsed, std::chrono::seconds(10));  // well under a second when linear
}

}  // namespace
}  // namespace nummora
