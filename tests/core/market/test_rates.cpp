#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "common/format_settings.h"
#include "market/rates.h"
#include "net/egold.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

constexpr RatePicture kNone = RatePicture::None;
constexpr RatePicture kUp = RatePicture::Rising;
constexpr RatePicture kDown = RatePicture::Falling;

RatesState StateWithRates(const MetalAmounts& rates) {
  RatesState s;
  s.rates = rates;
  return s;
}

TEST(ReadRates, ReadsItemsTwoToFiveAndShowsTheRise) {
  bool read = false;
  const RatesState s =
      ReadRates("x, 500.5, 8.1, 900, 300", StateWithRates({500, 8.1, 900, 300}), NumberFormat(), &read);
  EXPECT_TRUE(read);
  EXPECT_EQ(s.cells[kGold], "500.5");
  EXPECT_EQ(s.cells[kPalladium], "300");
  EXPECT_EQ(s.rates, (MetalAmounts{500.5, 8.1, 900, 300}));
  EXPECT_EQ(s.pictures, (std::array<RatePicture, 4>{kUp, kNone, kNone, kNone}));
}

TEST(ReadRates, SameAnswerTwiceShowsNoPictures) {
  const std::string answer = "x, 500.5, 8.1, 900, 300";
  const RatesState first = ReadRates(answer, StateWithRates({400, 9, 800, 310}), NumberFormat());
  EXPECT_EQ(first.pictures, (std::array<RatePicture, 4>{kUp, kDown, kUp, kDown}));
  const RatesState second = ReadRates(answer, first, NumberFormat());
  EXPECT_EQ(second.pictures, (std::array<RatePicture, 4>{kNone, kNone, kNone, kNone}));
  EXPECT_EQ(second.rates, first.rates);
}

TEST(ReadRates, NoArrowsAgainstRatesBelowOneTenth) {
  // The stored answer read at start compares with rates of 0.
  const RatesState s = ReadRates("x,500,8,900,300", RatesState{}, NumberFormat());
  EXPECT_EQ(s.pictures, (std::array<RatePicture, 4>{kNone, kNone, kNone, kNone}));
  const RatesState small = ReadRates("x,1,1,1,1", StateWithRates({0.09, 0.1, 0.11, 0}), NumberFormat());
  EXPECT_EQ(small.pictures, (std::array<RatePicture, 4>{kNone, kUp, kUp, kNone}));
}

TEST(ReadRates, ItemThatIsNoNumberIsAFallToZero) {
  const RatesState s = ReadRates("x,n/a,8,900,300", StateWithRates({500, 8, 900, 300}), NumberFormat());
  EXPECT_EQ(s.cells[kGold], "n/a");
  EXPECT_EQ(s.rates[kGold], 0);
  EXPECT_EQ(s.pictures[kGold], kDown);
}

TEST(ReadRates, CellsAreTrimmedOfBlanksAndControlCharacters) {
  const RatesState s = ReadRates("x,\t 500 \t,\"8,1\",900 \r\n300", RatesState{}, NumberFormat());
  EXPECT_EQ(s.cells[kGold], "500");
  EXPECT_EQ(s.cells[kSilver], "\"8,1\"");  // quoted run: one item, not a number
  EXPECT_EQ(s.rates[kSilver], 0);
  EXPECT_EQ(s.cells[kPlatinum], "900");
  EXPECT_EQ(s.cells[kPalladium], "300");
}

TEST(ReadRates, FewerThanFiveItemsKeepEverything) {
  RatesState previous = StateWithRates({500, 8, 900, 300});
  previous.cells = {"500", "8", "900", "300"};
  previous.pictures = {kUp, kDown, kNone, kUp};
  for (const std::string answer : {"", "x,1,2,3", "error page", "x,1,2\r\n"}) {
    bool read = true;
    const RatesState s = ReadRates(answer, previous, NumberFormat(), &read);
    EXPECT_FALSE(read) << answer;
    EXPECT_EQ(s.rates, previous.rates);
    EXPECT_EQ(s.cells, previous.cells);
    EXPECT_EQ(s.pictures, previous.pictures);
  }
}

TEST(ReadRates, ExtraItemsAndLinesAreIgnored) {
  const RatesState s = ReadRates("date,1,2,3,4,5\r\nmore,9,9,9,9", RatesState{}, NumberFormat());
  EXPECT_EQ(s.rates, (MetalAmounts{1, 2, 3, 4}));
}

// Prices are read in the currency their text is tagged with (a text without a tag, kept by an
// earlier version, in the currency the reader gives), compared for the arrows only with prices
// in the same currency, and used for values only in that currency.
struct CurrencyCase {
  const char* name;
  std::string text;
  std::string previousCurrency;  // of the previous rates, gold 500
  std::string currency;          // of the state read
  RatePicture gold;
  bool valuesInEuros;
};

void PrintTo(const CurrencyCase& c, std::ostream* os) {
  *os << c.name;
}

class RatesCurrency : public ::testing::TestWithParam<CurrencyCase> {};

TEST_P(RatesCurrency, ComparesAndValuesOnlyInTheirOwnCurrency) {
  const CurrencyCase& c = GetParam();
  RatesState previous = StateWithRates({500, 8, 900, 300});
  previous.currency = c.previousCurrency;
  const RatesState s = ReadRates(c.text, previous, NumberFormat(), nullptr, "USD");
  EXPECT_EQ(s.currency, c.currency);
  EXPECT_EQ(s.pictures[kGold], c.gold);
  EXPECT_EQ(RatesIn(s, "EUR").has_value(), c.valuesInEuros);
  EXPECT_EQ(RatesIn(s, "USD").has_value(), !c.valuesInEuros);
  // The cells beside values in a currency the prices are not in stay empty.
  const RatesState shown = ShownRates(s, "EUR");
  EXPECT_EQ(shown.cells[kGold].empty(), !c.valuesInEuros);
  EXPECT_EQ(shown.pictures[kGold], c.valuesInEuros ? c.gold : kNone);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RatesCurrency,
    ::testing::Values(CurrencyCase{"euros_after_euros", TaggedRatesText("EUR", "x, 510, 8, 900, 300"), "EUR",
                                   "EUR", kUp, true},
                      CurrencyCase{"euros_after_dollars", TaggedRatesText("EUR", "x, 450, 8, 900, 300"),
                                   "USD", "EUR", kNone, true},
                      CurrencyCase{"leading_line_breaks", TaggedRatesText("EUR", "\r\n\nx, 450, 8, 900, 300"),
                                   "EUR", "EUR", kDown, true},
                      CurrencyCase{"untagged_in_the_readers_currency", "x, 510, 8, 900, 300", "USD", "USD",
                                   kUp, false},
                      CurrencyCase{"too_few_items_keep_the_dollars", TaggedRatesText("EUR", "x, 450"), "USD",
                                   "USD", kNone, false}),
    [](const ::testing::TestParamInfo<CurrencyCase>& info) { return std::string(info.param.name); });

TEST(AccountValue, SumsBalanceTimesRate) {
  AccountRecord a;
  a.Gold = 2;
  a.Silver = 10;
  const MetalAmounts rates{500, 8, 900, 300};
  EXPECT_EQ(AccountValue(a, rates), CurrencyFromUnits(1080));
  EXPECT_EQ(AccountValueText(AccountValue(a, rates), "USD", NumberFormat()), "$1080");
  EXPECT_EQ(AccountValueText(AccountValue(a, rates), "EUR", NumberFormat()), "1080 EUR");
}

TEST(AccountValue, RoundsEachMetalToFourDecimals) {
  AccountRecord a;
  a.Gold = 0.12346;
  a.Silver = 0.00004;
  EXPECT_EQ(AccountValue(a, {1, 1, 0, 0}), 1235);  // 0.1235 + 0.0000
}

TEST(AccountValue, ValuesBeyondTheFixedPointRangeCountAsZero) {
  AccountRecord a;
  a.Gold = 1e10;
  a.Silver = 1;
  EXPECT_EQ(AccountValue(a, {1e300, 2, 0, 0}), CurrencyFromUnits(2));
  a.Gold = 9e14;
  a.Silver = 9e14;
  EXPECT_EQ(AccountValue(a, {1, 1, 0, 0}), 0);  // each fits, the sum does not
}

TEST(MetalDetails, WritesWeightGramsAndValue) {
  AccountRecord a;
  a.Gold = 1;
  a.Silver = 2.5;
  const auto rows = MetalDetails(a, MetalAmounts{500.5, 8.1, 900, 300}, NumberFormat());
  EXPECT_EQ(rows[kGold].weight, "1");
  EXPECT_EQ(rows[kGold].grams, "31.103");
  EXPECT_EQ(rows[kGold].value, "500.5");
  EXPECT_EQ(rows[kSilver].weight, "2.5");
  EXPECT_EQ(rows[kSilver].grams, "77.7575");
  EXPECT_EQ(rows[kSilver].value, "20.25");
  EXPECT_EQ(rows[kPlatinum].weight, "0");
  EXPECT_EQ(rows[kPlatinum].value, "0");
}

TEST(DetailsCaption, NamesTheAccountAndShowsLibertyReserveAmounts) {
  AccountRecord eg;
  eg.Type = AccountType::Egold;
  eg.ID = "123";
  eg.Name = "Main";
  EXPECT_EQ(DetailsCaption(eg, UsEnglishFormatSettings()), "Details of Main (123)");
  EXPECT_TRUE(ShowsMetalDetails(eg));

  AccountRecord lr;
  lr.Type = AccountType::LibertyReserve;
  lr.ID = "U1";
  lr.LRusd = 125000;
  lr.LReur = 30000;
  FormatSettings regional = UsEnglishFormatSettings();
  EXPECT_EQ(DetailsCaption(lr, regional), "Details of U1:   12.5 USD   3 EUR");
  regional.decimalSeparator = ',';
  EXPECT_EQ(DetailsCaption(lr, regional), "Details of U1:   12,5 USD   3 EUR");
  EXPECT_FALSE(ShowsMetalDetails(lr));
}

}  // namespace
}  // namespace nummora
