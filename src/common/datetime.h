#pragma once
// Date-times: days since 30 December 1899 00:00 local time as a double, the fraction being
// the time of day; 0 means "never". Dates before 1899-12-30 have a negative day count and a
// positive time fraction (-1.25 is 29 December 1899 06:00). The current time comes from an
// injectable clock so that tests control it.
#include <cstdint>
#include <string>

#include "common/format_settings.h"

namespace nummora {

using TDateTime = double;

inline constexpr int64_t kMsecsPerDay = 86400000;

// The fields of a date-time. Years 1 to 9999, months 1 to 12, days 1 to 31, hours 0 to 23,
// minutes and seconds 0 to 59, milliseconds 0 to 999.
struct DateTimeFields {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int dayOfWeek = 5;  // 0 = Monday ... 6 = Sunday (filled by DecodeDateTime)
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// Builds a date (time 00:00) or a time of day (date 0). False for fields out of range.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);
// Date plus time of day, with the sign rule for dates before 1899-12-30.
bool TryEncodeDateTime(const DateTimeFields& f, TDateTime& out);
// Throwing forms: EConvertError for fields out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond = 0);

// The fields of a date-time, rounded to the millisecond. Values outside years 1 to 9999
// (or not finite) give 1899-12-30 00:00.
DateTimeFields DecodeDateTime(TDateTime value);

// The date part (time 00:00) and the time part (date 0) of a date-time.
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Writes a date-time with a pattern in Qt's pattern letters (see format_settings.h), e.g.
// FormatDateTime("yyyy-MM-dd HH:mm:ss", v, fs). Letters that are not pattern letters and
// quoted text are copied.
std::string FormatDateTime(const std::string& pattern, TDateTime value, const FormatSettings& fs);

// The short date; the long time; and the date-time text: short date, a blank and the long
// time, or only the date when the time of day is 00:00:00.
std::string DateToStr(TDateTime value, const FormatSettings& fs);
std::string TimeToStr(TDateTime value, const FormatSettings& fs);
std::string DateTimeToStr(TDateTime value, const FormatSettings& fs);

// Readers, lenient as a desktop program of that platform reads what the user typed:
// - a date is two or three numbers separated by fs.dateSeparator (blanks around them allowed),
//   in the order of the short-date pattern (day, month, year by the first of d, M, y in it);
//   with two numbers the year is the current one; a year written with one or two digits is
//   placed by fs.twoDigitYearWindow; an optional separator may follow the last number;
// - a time is hours, optionally minutes, seconds and milliseconds, separated by
//   fs.timeSeparator (milliseconds after "."), with AM/PM (fs.amText/fs.pmText or "AM"/"PM",
//   any letter case) before or after it; with AM/PM the hour must be 1 to 12;
// - a date-time is a date optionally followed by a time, or a time alone (date 0).
// They return false, leaving `out` alone, when the text does not read completely.
bool TryStrToDate(const std::string& text, const FormatSettings& fs, TDateTime& out);
bool TryStrToTime(const std::string& text, const FormatSettings& fs, TDateTime& out);
bool TryStrToDateTime(const std::string& text, const FormatSettings& fs, TDateTime& out);
// Throwing forms: EConvertError ("'<text>' is not a valid date and time" / "date" / "time").
TDateTime StrToDate(const std::string& text, const FormatSettings& fs);
TDateTime StrToDateTime(const std::string& text, const FormatSettings& fs);

// Source of the current time. The program uses the system clock; tests install their own.
class Clock {
 public:
  virtual ~Clock() = default;
  // The current local date-time (with milliseconds).
  virtual TDateTime Now() const = 0;
  // Minutes to add to the given local time to get UTC (negative east of Greenwich), with
  // daylight saving time as it applies at that local time.
  virtual int UtcBiasMinutes(TDateTime local) const = 0;
};

// The system clock and time zone (through the C library's local time).
class SystemClock : public Clock {
 public:
  TDateTime Now() const override;
  int UtcBiasMinutes(TDateTime local) const override;
};

// A clock that stands still at a set time, with a fixed bias; for tests.
class FixedClock : public Clock {
 public:
  explicit FixedClock(TDateTime now = 0, int biasMinutes = 0) : now_(now), bias_(biasMinutes) {}
  TDateTime Now() const override { return now_; }
  int UtcBiasMinutes(TDateTime) const override { return bias_; }
  void Set(TDateTime now) { now_ = now; }
  void SetBias(int biasMinutes) { bias_ = biasMinutes; }

 private:
  TDateTime now_;
  int bias_;
};

// The clock in use: the system clock unless one was installed. SetClock(nullptr) goes back
// to the system clock; the caller keeps ownership and keeps the clock alive while installed.
Clock& CurrentClock();
void SetClock(Clock* clock);

// Installs a clock for the lifetime of the guard and restores the previous one after it.
class ScopedClock {
 public:
  explicit ScopedClock(Clock* clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// The current local date-time, and the current date (00:00), from the clock in use.
TDateTime Now();
TDateTime Today();

// A local date-time in UTC (local time plus the clock's bias at that time); 0 stands for now.
TDateTime LocalToUtc(TDateTime local);

}  // namespace nummora
