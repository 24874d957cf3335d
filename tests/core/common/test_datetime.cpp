#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>

#include "common/datetime.h"
#include "common/errors.h"
#include "common/format_settings.h"

using namespace nummora;

namespace {

// Every test runs at a fixed "now": 9 December 2026 14:30:15.250, one hour east of UTC.
class DateTimeTest : public ::testing::Test {
 protected:
  DateTimeTest() : clock_(EncodeDateTime(2026, 12, 9, 14, 30, 15, 250), -60), scoped_(&clock_) {}

  FixedClock clock_;
  ScopedClock scoped_;
  FormatSettings us_ = UsEnglishFormatSettings();
};

TEST_F(DateTimeTest, EncodingMatchesTheDayCount) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0), 0.25);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0), -1.25);  // time keeps its sign apart
  TDateTime v = 0;
  EXPECT_FALSE(TryEncodeDate(2026, 2, 29, v));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, v));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
  EXPECT_FALSE(TryEncodeDate(2026, 13, 1, v));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(1, 60, 0, 0, v));
  EXPECT_THROW(EncodeDate(2026, 4, 31), EConvertError);
}

TEST_F(DateTimeTest, DecodeRoundTripsAcrossTheRange) {
  for (int year : {1, 1600, 1899, 1900, 1970, 2000, 2026, 9999}) {
    for (int month : {1, 2, 12}) {
      const int day = DaysInMonth(year, month);
      const TDateTime v = EncodeDateTime(year, month, day, 23, 59, 58, 999);
      const DateTimeFields f = DecodeDateTime(v);
      EXPECT_EQ(f.year, year);
      EXPECT_EQ(f.month, month);
      EXPECT_EQ(f.day, day);
      EXPECT_EQ(f.hour, 23);
      EXPECT_EQ(f.minute, 59);
      EXPECT_EQ(f.second, 58);
      EXPECT_EQ(f.millisecond, 999) << year << "-" << month;
    }
  }
  EXPECT_EQ(DecodeDateTime(EncodeDate(2026, 12, 9)).dayOfWeek, 2);  // a Wednesday
  EXPECT_EQ(DecodeDateTime(0).dayOfWeek, 5);                        // a Saturday
  const DateTimeFields before = DecodeDateTime(-1.25);
  EXPECT_EQ(before.day, 29);
  EXPECT_EQ(before.hour, 6);
  // A time a hair before midnight rounds into the next day instead of reading 24:00.
  const DateTimeFields carry = DecodeDateTime(EncodeDate(2026, 12, 9) + 0.99999999999);
  EXPECT_EQ(carry.day, 10);
  EXPECT_EQ(carry.hour, 0);
  // Values outside the calendar give the zero date rather than garbage.
  EXPECT_EQ(DecodeDateTime(1e12).year, 1899);
  EXPECT_EQ(DecodeDateTime(std::nan("")).year, 1899);
}

struct WriteCase {
  TDateTime value;
  std::string text;
};

class DateTimeWriter : public DateTimeTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(DateTimeWriter, UsEnglish) {
  EXPECT_EQ(DateTimeToStr(GetParam().value, us_), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateTimeWriter,
    ::testing::Values(WriteCase{EncodeDateTime(2026, 12, 9, 14, 30, 15), "12/9/2026 2:30:15 PM"},
                      WriteCase{EncodeDate(2026, 3, 5), "3/5/2026"},  // midnight: date only
                      WriteCase{EncodeDateTime(2026, 3, 5, 0, 0, 1), "3/5/2026 12:00:01 AM"},
                      WriteCase{EncodeDateTime(2026, 3, 5, 12, 0, 0), "3/5/2026 12:00:00 PM"},
                      WriteCase{EncodeDateTime(2026, 3, 5, 0, 0, 0, 400), "3/5/2026"},
                      WriteCase{0, "12/30/1899"}, WriteCase{EncodeDate(5, 1, 2), "1/2/0005"}));

TEST_F(DateTimeTest, PatternLetters) {
  const TDateTime v = EncodeDateTime(2008, 3, 5, 14, 7, 9, 42);
  EXPECT_EQ(FormatDateTime("yyyy-MM-dd HH:mm:ss.zzz", v, us_), "2008-03-05 14:07:09.042");
  EXPECT_EQ(FormatDateTime("d.M.yy h:m:s", v, us_), "5.3.08 14:7:9");
  EXPECT_EQ(FormatDateTime("h:mm ap", v, us_), "2:07 pm");
  EXPECT_EQ(FormatDateTime("hh:mm A", EncodeTime(9, 5, 0), us_), "09:05 AM");
  EXPECT_EQ(FormatDateTime("HH 'o''clock' d", v, us_), "14 o'clock 5");
  EXPECT_EQ(FormatDateTime("ddd dddd MMM MMMM", v, us_), "Wed Wednesday Mar March");
  EXPECT_EQ(FormatDateTime("z", v, us_), "042");
  EXPECT_EQ(FormatDateTime("z", EncodeTime(0, 0, 0, 500), us_), "5");
  EXPECT_EQ(FormatDateTime("h:mm:ss t", v, us_), "14:07:09 ");
  EXPECT_EQ(FormatDateTime("y/#", v, us_), "y/#") << "a single y is text";
}

TEST_F(DateTimeTest, RegionalSettingsFromPatterns) {
  const FormatSettings de = MakeFormatSettings("dd.MM.yy", "HH:mm:ss", "", "");
  EXPECT_EQ(de.shortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(de.dateSeparator, '.');
  EXPECT_EQ(de.timeSeparator, ':');
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 1, 2, 3, 4, 5), de), "02.01.2026 03:04:05");
  const FormatSettings us = MakeFormatSettings("M/d/yy", "h:mm:ss AP t", "AM", "PM");
  EXPECT_EQ(us.shortDateFormat, "M/d/yyyy");
  EXPECT_EQ(us.longTimeFormat, "h:mm:ss AP");
  EXPECT_EQ(WidenShortDateYear("d/M/y"), "d/M/yyyy");
  EXPECT_EQ(WidenShortDateYear("yyyy-MM-dd"), "yyyy-MM-dd");
  EXPECT_EQ(WidenShortDateYear("'yy' yy"), "'yy' yyyy");
  EXPECT_EQ(WidenShortDateYear("d MMM yyyy"), "d/MM/yyyy");
  // A desktop whose short date names the month (the C locale's "d MMM yyyy"): what is written
  // reads back, so that saving a profile with an update time works.
  const FormatSettings named = MakeFormatSettings("d MMM yyyy", "HH:mm:ss", "AM", "PM");
  const TDateTime when = EncodeDateTime(2026, 12, 9, 14, 35, 7);
  TDateTime back = 0;
  ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(when, named), named, back));
  EXPECT_EQ(DateTimeToStr(back, named), DateTimeToStr(when, named));
  const FormatSettings nf = MakeNumberFormat(MakeFormatSettings("d/M/yy", "HH:mm", "", ""));
  EXPECT_EQ(nf.decimalSeparator, '.');
  EXPECT_EQ(nf.thousandSeparator, ',');
  EXPECT_EQ(nf.currencyDecimals, 2);
  EXPECT_EQ(nf.shortDateFormat, "d/M/yyyy");
}

struct ReadCase {
  std::string text;
  bool ok;
  TDateTime value;
};

class UsDateTimeReader : public DateTimeTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(UsDateTimeReader, Reads) {
  const ReadCase& c = GetParam();
  TDateTime v = -7;
  EXPECT_EQ(TryStrToDateTime(c.text, us_, v), c.ok) << "'" << c.text << "'";
  if (c.ok) {
    EXPECT_NEAR(v, c.value, 1e-9) << "'" << c.text << "'";
  } else {
    EXPECT_EQ(v, -7);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsDateTimeReader,
    ::testing::Values(ReadCase{"12/9/2026 2:30:15 PM", true, EncodeDateTime(2026, 12, 9, 14, 30, 15)},
                      ReadCase{"3/5/2026", true, EncodeDate(2026, 3, 5)},
                      ReadCase{" 03 / 05 / 2026 ", true, EncodeDate(2026, 3, 5)},
                      ReadCase{"3/5/2026 12:00:01 am", true, EncodeDateTime(2026, 3, 5, 0, 0, 1)},
                      ReadCase{"3/5/2026 12:00 PM", true, EncodeDateTime(2026, 3, 5, 12, 0, 0)},
                      ReadCase{"3/5/2026 23:59:59", true, EncodeDateTime(2026, 3, 5, 23, 59, 59)},
                      ReadCase{"3/5/2026 1:02:03.5", true, EncodeDateTime(2026, 3, 5, 1, 2, 3, 500)},
                      ReadCase{"3/5/2026 PM 1:00", true, EncodeDateTime(2026, 3, 5, 13, 0, 0)},
                      ReadCase{"3/5/2026/", true, EncodeDate(2026, 3, 5)},
                      ReadCase{"3/5", true, EncodeDate(2026, 3, 5)},     // this year
                      ReadCase{"3/5/26", true, EncodeDate(2026, 3, 5)},  // window: 1976..2075
                      ReadCase{"3/5/76", true, EncodeDate(1976, 3, 5)},
                      ReadCase{"3/5/75", true, EncodeDate(2075, 3, 5)},
                      ReadCase{"3/5/0026", true, EncodeDate(26, 3, 5)},  // four digits stay
                      ReadCase{"12/30/1899", true, 0},
                      ReadCase{"10:30", true, EncodeTime(10, 30, 0)},  // a time alone
                      ReadCase{"2/29/2026", false, 0}, ReadCase{"13/1/2026", false, 0},
                      ReadCase{"3/5/2026 13:00 PM", false, 0}, ReadCase{"3/5/2026 0:30 AM", false, 0},
                      ReadCase{"3/5/2026 24:00", false, 0}, ReadCase{"3/5/2026 1:60", false, 0},
                      ReadCase{"3/5/2026 x", false, 0}, ReadCase{"3-5-2026", false, 0},
                      ReadCase{"3/5/", true, EncodeDate(2026, 3, 5)}, ReadCase{"3//5", false, 0},
                      ReadCase{"3/5//", false, 0}, ReadCase{"", false, 0}, ReadCase{"2026", false, 0}));

TEST_F(DateTimeTest, OrderFollowsTheShortDatePattern) {
  const FormatSettings de = MakeFormatSettings("dd.MM.yyyy", "HH:mm:ss", "", "");
  TDateTime v = 0;
  ASSERT_TRUE(TryStrToDate("05.03.2026", de, v));
  EXPECT_EQ(v, EncodeDate(2026, 3, 5));
  ASSERT_TRUE(TryStrToDate("5.3.", de, v));  // day and month, then the optional separator
  EXPECT_EQ(v, EncodeDate(2026, 3, 5));
  const FormatSettings iso = MakeFormatSettings("yyyy-MM-dd", "HH:mm:ss", "", "");
  ASSERT_TRUE(TryStrToDateTime("2026-03-05 17:45:00", iso, v));
  EXPECT_NEAR(v, EncodeDateTime(2026, 3, 5, 17, 45, 0), 1e-9);
  EXPECT_FALSE(TryStrToDate("3/5/2026", de, v)) << "another region's separator does not read";
}

TEST_F(DateTimeTest, DateAndTimeReadersAreStrict) {
  TDateTime v = 0;
  EXPECT_FALSE(TryStrToDate("3/5/2026 10:00", us_, v));
  ASSERT_TRUE(TryStrToDate("3/5/2026", us_, v));
  EXPECT_EQ(v, EncodeDate(2026, 3, 5));
  EXPECT_FALSE(TryStrToTime("3/5/2026", us_, v));
  ASSERT_TRUE(TryStrToTime("2:30:15 PM", us_, v));
  EXPECT_NEAR(v, EncodeTime(14, 30, 15), 1e-9);
  EXPECT_THROW(StrToDate("x", us_), EConvertError);
  EXPECT_THROW(StrToDateTime("1/1/1 25:00", us_), EConvertError);
}

TEST_F(DateTimeTest, WrittenTextsReadBack) {
  const FormatSettings regions[] = {us_, MakeFormatSettings("dd.MM.yy", "HH:mm:ss", "", ""),
                                    MakeFormatSettings("yyyy-MM-dd", "hh:mm:ss AP", "vorm.", "nachm."),
                                    MakeFormatSettings("d/M/yyyy", "AP h:mm:ss", "AM", "PM")};
  const TDateTime values[] = {EncodeDateTime(2026, 12, 9, 14, 30, 15), EncodeDate(1999, 1, 31),
                              EncodeDateTime(2030, 6, 1, 0, 0, 1), EncodeDateTime(1950, 2, 28, 12, 59, 59)};
  for (const FormatSettings& fs : regions) {
    for (const TDateTime v : values) {
      const std::string text = DateTimeToStr(v, fs);
      TDateTime back = 0;
      ASSERT_TRUE(TryStrToDateTime(text, fs, back)) << text;
      EXPECT_NEAR(back, v, 1e-9) << text;
      ASSERT_TRUE(TryStrToDate(DateToStr(v, fs), fs, back)) << DateToStr(v, fs);
      EXPECT_EQ(back, DateOf(v));
    }
  }
}

TEST_F(DateTimeTest, ClockIsInjectable) {
  EXPECT_NEAR(Now(), EncodeDateTime(2026, 12, 9, 14, 30, 15, 250), 1e-9);
  EXPECT_EQ(Today(), EncodeDate(2026, 12, 9));
  // One hour east of UTC: UTC is an hour earlier; 0 stands for now.
  EXPECT_NEAR(LocalToUtc(EncodeDateTime(2008, 3, 5, 23, 59, 0)), EncodeDateTime(2008, 3, 5, 22, 59, 0), 1e-9);
  EXPECT_NEAR(LocalToUtc(0), EncodeDateTime(2026, 12, 9, 13, 30, 15, 250), 1e-9);
  {
    FixedClock other(EncodeDate(2001, 1, 1));
    ScopedClock inner(&other);
    EXPECT_EQ(Now(), EncodeDate(2001, 1, 1));
    TDateTime v = 0;
    ASSERT_TRUE(TryStrToDate("3/5", us_, v));
    EXPECT_EQ(v, EncodeDate(2001, 3, 5)) << "two numbers take the clock's year";
  }
  EXPECT_NEAR(Now(), EncodeDateTime(2026, 12, 9, 14, 30, 15, 250), 1e-9);
}

TEST(SystemClock, AgreesWithTheCLibrary) {
  SystemClock system;
  const time_t before = time(nullptr);
  const TDateTime now = system.Now();
  std::tm local{};
  localtime_r(&before, &local);
  const DateTimeFields f = DecodeDateTime(now);
  EXPECT_EQ(f.year, local.tm_year + 1900);
  EXPECT_EQ(f.month, local.tm_mon + 1);
  EXPECT_EQ(f.day, local.tm_mday);
  EXPECT_EQ(system.UtcBiasMinutes(now), static_cast<int>(-local.tm_gmtoff / 60));
}

}  // namespace
