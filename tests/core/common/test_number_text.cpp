#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "common/errors.h"
#include "common/format_settings.h"
#include "common/number_text.h"

using namespace nummora;

namespace {

struct FloatWriteCase {
  double value;
  std::string text;
};

class FloatWriter : public ::testing::TestWithParam<FloatWriteCase> {};

TEST_P(FloatWriter, GeneralFormWith15Digits) {
  EXPECT_EQ(FloatToStr(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloatWriter,
    ::testing::Values(FloatWriteCase{0.25, "0.25"}, FloatWriteCase{100, "100"}, FloatWriteCase{0, "0"},
                      FloatWriteCase{-0.0, "0"}, FloatWriteCase{-3.5, "-3.5"},
                      FloatWriteCase{1.5e-6, "1.5E-6"},
                      FloatWriteCase{0.00001, "0.00001"},  // the smallest magnitude in fixed form
                      FloatWriteCase{0.0000099, "9.9E-6"}, FloatWriteCase{-0.000001, "-1E-6"},
                      FloatWriteCase{0.1 + 0.2, "0.3"},  // 15 significant digits hide binary noise
                      FloatWriteCase{1.0 / 3, "0.333333333333333"},
                      FloatWriteCase{2.0 / 3, "0.666666666666667"},
                      FloatWriteCase{123456789012345.0, "123456789012345"},  // 15 digits before the point
                      FloatWriteCase{999999999999999.0, "999999999999999"},
                      FloatWriteCase{1e15, "1E15"},  // 16 digits: scientific
                      FloatWriteCase{1234567890123456.0, "1.23456789012346E15"},
                      FloatWriteCase{999999999999999.9, "1E15"},  // rounds up to 16 digits
                      FloatWriteCase{1e100, "1E100"}, FloatWriteCase{-2.5e-300, "-2.5E-300"},
                      FloatWriteCase{12.3456789, "12.3456789"}, FloatWriteCase{31.103, "31.103"},
                      FloatWriteCase{0.0001, "0.0001"}, FloatWriteCase{1000000, "1000000"},
                      FloatWriteCase{std::numeric_limits<double>::infinity(), "INF"},
                      FloatWriteCase{-std::numeric_limits<double>::infinity(), "-INF"},
                      FloatWriteCase{std::numeric_limits<double>::quiet_NaN(), "NAN"}));

TEST(FloatWriter, UsesTheFormatsDecimalSeparator) {
  FormatSettings fs;
  fs.decimalSeparator = ',';
  EXPECT_EQ(FloatToStr(0.25, fs), "0,25");
  EXPECT_EQ(FloatToStr(1.5e-6, fs), "1,5E-6");
}

TEST(FloatWriter, WrittenNumbersReadBackWithin15Digits) {
  // The ends of the double range too: a balance that did not read back would stop every save.
  const double values[] = {0.1,
                           1.0 / 7,
                           123.456,
                           5e-5,
                           7.25e-9,
                           6.02214076e23,
                           -42.000001,
                           0.5,
                           std::numeric_limits<double>::max(),
                           -std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min()};
  for (const double v : values) {
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(v), back)) << FloatToStr(v);
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << FloatToStr(v);
  }
}

struct FloatReadCase {
  std::string text;
  bool ok;
  double value;
};

class FloatReader : public ::testing::TestWithParam<FloatReadCase> {};

TEST_P(FloatReader, ReadsOrRefuses) {
  const FloatReadCase& c = GetParam();
  double value = 777;
  EXPECT_EQ(TryStrToFloat(c.text, value), c.ok) << "'" << c.text << "'";
  EXPECT_DOUBLE_EQ(value, c.ok ? c.value : 777) << "'" << c.text << "'";
  EXPECT_DOUBLE_EQ(StrToFloatDef(c.text, 0), c.ok ? c.value : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatReader,
                         ::testing::Values(FloatReadCase{"0.25", true, 0.25},
                                           FloatReadCase{"1.5E-6", true, 1.5e-6},
                                           FloatReadCase{"1.5e-6", true, 1.5e-6},
                                           FloatReadCase{"-3", true, -3}, FloatReadCase{"+.5", true, 0.5},
                                           FloatReadCase{"7.", true, 7}, FloatReadCase{" 12.5 ", true, 12.5},
                                           FloatReadCase{"1E15", true, 1e15},
                                           FloatReadCase{"0." + std::string(50, '0') + "1", true, 1e-51},
                                           FloatReadCase{"1e-400", true, 0},  // too small reads as 0
                                           FloatReadCase{"1e400", false, 0},  // too large fails
                                           FloatReadCase{"1,000.00", false, 0}, FloatReadCase{"", false, 0},
                                           FloatReadCase{".", false, 0}, FloatReadCase{"e5", false, 0},
                                           FloatReadCase{"1e", false, 0}, FloatReadCase{"12.5\"", false, 0},
                                           FloatReadCase{"INF", false, 0}, FloatReadCase{"nan", false, 0},
                                           FloatReadCase{"0x1p3", false, 0}, FloatReadCase{"1 2", false, 0},
                                           FloatReadCase{"\n1", false, 0}));

TEST(FloatReader, ThrowingFormAndOtherSeparator) {
  EXPECT_DOUBLE_EQ(StrToFloat("2.5"), 2.5);
  EXPECT_THROW(StrToFloat("2,5"), EConvertError);
  FormatSettings fs;
  fs.decimalSeparator = ',';
  double v = 0;
  ASSERT_TRUE(TryStrToFloat("2,5", fs, v));
  EXPECT_DOUBLE_EQ(v, 2.5);
  EXPECT_FALSE(TryStrToFloat("2.5", fs, v));
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", fs, -1), -1);
}

struct IntCase {
  std::string text;
  bool ok;
  int64_t value;
};

class IntReader : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntReader, ThirtyTwoBits) {
  const IntCase& c = GetParam();
  int32_t value = 777;
  EXPECT_EQ(TryStrToInt(c.text, value), c.ok) << "'" << c.text << "'";
  EXPECT_EQ(value, c.ok ? c.value : 777);
  EXPECT_EQ(StrToIntDef(c.text, -5), c.ok ? c.value : -5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntReader,
    ::testing::Values(IntCase{"0", true, 0}, IntCase{"-1", true, -1}, IntCase{"+42", true, 42},
                      IntCase{"  65535", true, 65535}, IntCase{"007", true, 7},
                      IntCase{"2147483647", true, INT32_MAX}, IntCase{"-2147483648", true, INT32_MIN},
                      IntCase{"2147483648", false, 0}, IntCase{"-2147483649", false, 0},
                      IntCase{"99999999999999999999", false, 0}, IntCase{"12a", false, 0},
                      IntCase{"1 ", false, 0}, IntCase{"", false, 0}, IntCase{"-", false, 0},
                      IntCase{"1.0", false, 0}, IntCase{"$FF", false, 0}, IntCase{"- 1", false, 0}));

TEST(IntReader, SixtyFourBitsAndThrowingForm) {
  int64_t v = 0;
  ASSERT_TRUE(TryStrToInt64("-9223372036854775808", v));
  EXPECT_EQ(v, std::numeric_limits<int64_t>::min());
  ASSERT_TRUE(TryStrToInt64("9223372036854775807", v));
  EXPECT_EQ(v, std::numeric_limits<int64_t>::max());
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", v));
  EXPECT_EQ(StrToInt("12"), 12);
  try {
    StrToInt("x1");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
  }
}

TEST(BoolReader, NumbersAndWords) {
  struct {
    const char* text;
    bool ok;
    bool value;
  } cases[] = {{"-1", true, true},    {"0", true, false},   {"1", true, true},       {"2", true, true},
               {"0.0", true, false},  {"TRUE", true, true}, {"true", true, true},    {"False", true, false},
               {"yes", false, false}, {"", false, false},   {"truex", false, false}, {"tru", false, false}};
  for (const auto& c : cases) {
    bool value = !c.value;
    EXPECT_EQ(TryStrToBool(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

}  // namespace
