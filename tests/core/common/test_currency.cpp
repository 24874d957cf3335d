#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "common/currency.h"
#include "common/errors.h"
#include "common/format_settings.h"

using namespace nummora;

namespace {

constexpr Currency kMax = std::numeric_limits<int64_t>::max();
constexpr Currency kMin = std::numeric_limits<int64_t>::min();

struct WriteCase {
  Currency value;
  std::string text;
};

class CurrencyWriter : public ::testing::TestWithParam<WriteCase> {};

TEST_P(CurrencyWriter, ShortestForm) {
  EXPECT_EQ(CurrToStr(GetParam().value), GetParam().text);
  // Whatever is written reads back to the same amount.
  Currency back = 12345;
  ASSERT_TRUE(TryStrToCurr(GetParam().text, back));
  EXPECT_EQ(back, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurrencyWriter,
    ::testing::Values(WriteCase{12345000, "1234.5"}, WriteCase{1000000, "100"}, WriteCase{1, "0.0001"},
                      WriteCase{-32500, "-3.25"}, WriteCase{0, "0"}, WriteCase{-1, "-0.0001"},
                      WriteCase{125000, "12.5"}, WriteCase{10, "0.001"}, WriteCase{100010, "10.001"},
                      WriteCase{kMax, "922337203685477.5807"}, WriteCase{kMin, "-922337203685477.5808"}));

struct ReadCase {
  std::string text;
  bool ok;
  Currency value;
};

class CurrencyReader : public ::testing::TestWithParam<ReadCase> {};

TEST_P(CurrencyReader, ReadsOrRefuses) {
  const ReadCase& c = GetParam();
  Currency value = 777;
  EXPECT_EQ(TryStrToCurr(c.text, value), c.ok) << "'" << c.text << "'";
  EXPECT_EQ(value, c.ok ? c.value : 777) << "'" << c.text << "'";
  EXPECT_EQ(StrToCurrDef(c.text, 0), c.ok ? c.value : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurrencyReader,
    ::testing::Values(
        ReadCase{"12.34567", true, 123457},  // rounded to the nearest fourth decimal
        ReadCase{"12.34564", true, 123456}, ReadCase{"0.00005", true, 1},  // a half rounds away from zero
        ReadCase{"-0.00005", true, -1}, ReadCase{"0.000049999", true, 0}, ReadCase{"-0.00001", true, 0},
        ReadCase{"0.0000000000000000000009", true, 0}, ReadCase{"1234.5", true, 12345000},
        ReadCase{"100", true, 1000000}, ReadCase{"+7", true, 70000}, ReadCase{"-3.25", true, -32500},
        ReadCase{".5", true, 5000}, ReadCase{"5.", true, 50000}, ReadCase{"  12.5  ", true, 125000},
        ReadCase{"1e3", true, 10000000}, ReadCase{"1.5E-2", true, 150}, ReadCase{"25e-6", true, 0},
        ReadCase{"0012.5000", true, 125000}, ReadCase{"922337203685477.5807", true, kMax},
        ReadCase{"-922337203685477.5808", true, kMin}, ReadCase{"922337203685477.58074", true, kMax},
        ReadCase{"922337203685477.58075", false, 0},  // rounds beyond the range
        ReadCase{"922337203685477.5808", false, 0}, ReadCase{"-922337203685477.5809", false, 0},
        ReadCase{"99999999999999999999", false, 0}, ReadCase{"1e999999999999", false, 0},
        ReadCase{"1e-999999999999", true, 0},
        ReadCase{"1,000.00", false, 0},  // thousands separators are not read here
        ReadCase{"", false, 0}, ReadCase{" ", false, 0}, ReadCase{".", false, 0}, ReadCase{"-", false, 0},
        ReadCase{"1e", false, 0}, ReadCase{"1e+", false, 0}, ReadCase{"12a", false, 0},
        ReadCase{"1.2.3", false, 0}, ReadCase{"--1", false, 0}, ReadCase{"$5", false, 0},
        ReadCase{"1 000", false, 0}, ReadCase{"\t5", false, 0}, ReadCase{"INF", false, 0},
        ReadCase{"NAN", false, 0}, ReadCase{"0x10", false, 0}, ReadCase{std::string("5\0", 2), false, 0}));

TEST(Currency, ThrowingReaderNamesTheText) {
  EXPECT_EQ(StrToCurr("1.25"), 12500);
  try {
    StrToCurr("abc");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_THROW(StrToCurr("1e30"), NummoraError);
}

TEST(Currency, DecimalSeparatorOfTheFormat) {
  FormatSettings fs;
  fs.decimalSeparator = ',';
  fs.thousandSeparator = '.';
  EXPECT_EQ(CurrToStr(12345000, fs), "1234,5");
  Currency v = 0;
  ASSERT_TRUE(TryStrToCurr("1234,5", fs, v));
  EXPECT_EQ(v, 12345000);
  EXPECT_FALSE(TryStrToCurr("1234.5", fs, v));
  EXPECT_EQ(StrToCurrDef("x", fs, -1), -1);
}

struct GroupedCase {
  std::string text;
  bool ok;
  Currency value;
};

class GroupedReader : public ::testing::TestWithParam<GroupedCase> {};

TEST_P(GroupedReader, UserTypedAmounts) {
  const FormatSettings fs = MakeNumberFormat(UsEnglishFormatSettings());
  Currency value = 777;
  EXPECT_EQ(TryStrToCurrGrouped(GetParam().text, fs, value), GetParam().ok) << GetParam().text;
  if (GetParam().ok) {
    EXPECT_EQ(value, GetParam().value) << GetParam().text;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupedReader,
                         ::testing::Values(GroupedCase{"1,000.50", true, 10005000},
                                           GroupedCase{"1,234,567", true, 12345670000},
                                           GroupedCase{"-1", true, -10000}, GroupedCase{"-2", true, -20000},
                                           GroupedCase{"0", true, 0}, GroupedCase{"12,3,4", true, 12340000},
                                           GroupedCase{",100", false, 0}, GroupedCase{"100,", false, 0},
                                           GroupedCase{"1,,000", false, 0}, GroupedCase{"1.000,5", false, 0},
                                           GroupedCase{"1,000.5,0", false, 0}, GroupedCase{"abc", false, 0}));

TEST(Currency, MoneyWithThousandsAndTwoDecimals) {
  const FormatSettings fs = MakeNumberFormat(UsEnglishFormatSettings());
  EXPECT_EQ(FormatMoney(12345000, fs), "1,234.50");
  EXPECT_EQ(FormatMoney(0, fs), "0.00");
  EXPECT_EQ(FormatMoney(12345670000, fs), "1,234,567.00");
  EXPECT_EQ(FormatMoney(-9999950, fs), "-1,000.00");  // -999.995 rounds away from zero
  EXPECT_EQ(FormatMoney(-49, fs), "0.00");            // no "-0.00"
  EXPECT_EQ(FormatMoney(125, fs), "0.01");
  EXPECT_EQ(FormatMoney(kMin, fs), "-922,337,203,685,477.58");
  FormatSettings four = fs;
  four.currencyDecimals = 4;
  EXPECT_EQ(FormatMoney(1, four), "0.0001");
  four.currencyDecimals = 0;
  EXPECT_EQ(FormatMoney(15000, four), "2");
  four.currencyDecimals = 6;
  EXPECT_EQ(FormatMoney(15000, four), "1.500000");
}

TEST(Currency, FromAndToDouble) {
  Currency v = 0;
  ASSERT_TRUE(CurrencyFromDouble(12.34567, v));
  EXPECT_EQ(v, 123457);
  ASSERT_TRUE(CurrencyFromDouble(0.03125, v));  // exactly half of the fourth decimal
  EXPECT_EQ(v, 313);
  ASSERT_TRUE(CurrencyFromDouble(-0.03125, v));
  EXPECT_EQ(v, -313);
  EXPECT_FALSE(CurrencyFromDouble(1e15, v));
  EXPECT_FALSE(CurrencyFromDouble(std::numeric_limits<double>::quiet_NaN(), v));
  EXPECT_FALSE(CurrencyFromDouble(-std::numeric_limits<double>::infinity(), v));
  EXPECT_DOUBLE_EQ(CurrencyToDouble(12345000), 1234.5);
}

}  // namespace
