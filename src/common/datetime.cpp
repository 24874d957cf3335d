#include "common/datetime.h"

#include <atomic>
#include <cmath>
#include <ctime>

#include "common/ascii_text.h"
#include "common/errors.h"

namespace nummora {

namespace {

// Day 0 (1899-12-30) counted from 1970-01-01.
constexpr int64_t kUnixEpochSerial = 25569;
constexpr int64_t kMinSerial = -693593;  // 0001-01-01
constexpr int64_t kMaxSerial = 2958465;  // 9999-12-31

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

TDateTime Combine(TDateTime date, TDateTime time) {
  return date >= 0 ? date + time : date - time;
}

std::string Padded(int value, size_t width) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  if (value < 0) text.insert(text.begin(), '-');
  return text;
}

size_t RunLength(const std::string& s, size_t i) {
  size_t k = i;
  while (k < s.size() && s[k] == s[i]) ++k;
  return k - i;
}

// Whether a pattern writes AM/PM (outside quoted text): then "h" is the 12-hour clock.
bool HasAmPm(const std::string& pattern) {
  bool quoted = false;
  for (const char c : pattern) {
    if (c == '\'')
      quoted = !quoted;
    else if (!quoted && (c == 'a' || c == 'A'))
      return true;
  }
  return false;
}

// ---- Readers ----

enum class DateOrder { MDY, DMY, YMD };

DateOrder DateOrderOf(const std::string& pattern) {
  bool quoted = false;
  for (const char c : pattern) {
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (c == 'd' || c == 'D') return DateOrder::DMY;
    if (c == 'M') return DateOrder::MDY;
    if (c == 'y' || c == 'Y') return DateOrder::YMD;
  }
  return DateOrder::MDY;
}

class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  size_t Position() const { return pos_; }
  void Reset(size_t pos) { pos_ = pos; }

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  // Blanks, then 1 to 9 digits; `digits` tells how many were written.
  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (digits == 9) return false;
      value = value * 10 + (text_[pos_] - '0');
      ++digits;
      ++pos_;
    }
    return digits > 0;
  }

  // Blanks, then the character.
  bool Char(char c) {
    const size_t saved = pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    pos_ = saved;
    return false;
  }

  // Blanks, then the word, letters compared without regard to case.
  bool Word(const std::string& word) {
    if (word.empty()) return false;
    const size_t saved = pos_;
    SkipBlanks();
    if (text_.size() - pos_ >= word.size()) {
      bool same = true;
      for (size_t k = 0; k < word.size() && same; ++k)
        same = AsciiLower(text_[pos_ + k]) == AsciiLower(word[k]);
      if (same) {
        pos_ += word.size();
        return true;
      }
    }
    pos_ = saved;
    return false;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

int CurrentYear() {
  return DecodeDateTime(Now()).year;
}

bool ScanDate(Scanner& s, const FormatSettings& fs, TDateTime& out) {
  int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
  if (!s.Number(n1, l1) || !s.Char(fs.dateSeparator) || !s.Number(n2, l2)) return false;
  const DateOrder order = DateOrderOf(fs.shortDateFormat);
  int year = 0, month = 0, day = 0;
  bool third = false;
  bool separatorTaken = false;  // a separator after the second number and nothing after it
  if (s.Char(fs.dateSeparator)) {
    third = s.Number(n3, l3);
    separatorTaken = !third;
  }
  if (third) {
    int yearDigits = 0;
    switch (order) {
      case DateOrder::MDY:
        year = n3;
        yearDigits = l3;
        month = n1;
        day = n2;
        break;
      case DateOrder::DMY:
        year = n3;
        yearDigits = l3;
        month = n2;
        day = n1;
        break;
      case DateOrder::YMD:
        year = n1;
        yearDigits = l1;
        month = n2;
        day = n3;
        break;
    }
    if (yearDigits <= 2) {
      // A year of one or two digits falls within the window before the current year or in
      // the years after it up to a century.
      const int window = fs.twoDigitYearWindow > 0 ? fs.twoDigitYearWindow : 0;
      const int base = CurrentYear() - window;
      year += base / 100 * 100;
      if (window > 0 && year < base) year += 100;
    }
  } else {
    // Only two numbers (a separator after them is allowed, as in "5.3."): day and month of
    // the current year.
    year = CurrentYear();
    if (order == DateOrder::DMY) {
      day = n1;
      month = n2;
    } else {
      month = n1;
      day = n2;
    }
  }
  if (!separatorTaken) s.Char(fs.dateSeparator);  // an optional separator after the last number
  s.SkipBlanks();
  return TryEncodeDate(year, month, day, out);
}

bool ScanTime(Scanner& s, const FormatSettings& fs, TDateTime& out) {
  int baseHour = -1;
  if (s.Word(fs.amText) || s.Word("AM"))
    baseHour = 0;
  else if (s.Word(fs.pmText) || s.Word("PM"))
    baseHour = 12;

  int hour = 0, minute = 0, second = 0, msec = 0, len = 0;
  if (!s.Number(hour, len)) return false;
  if (s.Char(fs.timeSeparator)) {
    if (!s.Number(minute, len)) return false;
    if (s.Char(fs.timeSeparator)) {
      if (!s.Number(second, len)) return false;
      if (s.Char('.')) {
        if (!s.Number(msec, len) || len > 3) return false;
        while (len++ < 3) msec *= 10;  // ".5" is half a second
      }
    }
  }
  if (baseHour < 0) {
    if (s.Word(fs.amText) || s.Word("AM"))
      baseHour = 0;
    else if (s.Word(fs.pmText) || s.Word("PM"))
      baseHour = 12;
  }
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += baseHour;
  }
  s.SkipBlanks();
  return TryEncodeTime(hour, minute, second, msec, out);
}

std::atomic<Clock*> g_clock{nullptr};

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  out = static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochSerial);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  const int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
  out = static_cast<TDateTime>(ms) / static_cast<TDateTime>(kMsecsPerDay);
  return true;
}

bool TryEncodeDateTime(const DateTimeFields& f, TDateTime& out) {
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(f.year, f.month, f.day, date)) return false;
  if (!TryEncodeTime(f.hour, f.minute, f.second, f.millisecond, time)) return false;
  out = Combine(date, time);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime value = 0;
  if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
  return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime value = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, value))
    throw EConvertError("Invalid argument to time encode");
  return value;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  return Combine(EncodeDate(year, month, day), EncodeTime(hour, minute, second, millisecond));
}

DateTimeFields DecodeDateTime(TDateTime value) {
  DateTimeFields f;
  if (!std::isfinite(value) || value < static_cast<double>(kMinSerial) - 1 ||
      value > static_cast<double>(kMaxSerial) + 1)
    return f;
  // Rounded to the millisecond; a time that rounds up to 24:00 carries into the next day.
  const int64_t total = std::llround(value * static_cast<double>(kMsecsPerDay));
  const int64_t date = total / kMsecsPerDay;
  int64_t ms = total % kMsecsPerDay;
  if (ms < 0) ms = -ms;
  if (date < kMinSerial || date > kMaxSerial) return f;
  CivilFromDays(date - kUnixEpochSerial, f.year, f.month, f.day);
  f.dayOfWeek = static_cast<int>(((date % 7) + 7 + 5) % 7);  // 1899-12-30 was a Saturday
  f.millisecond = static_cast<int>(ms % 1000);
  f.second = static_cast<int>(ms / 1000 % 60);
  f.minute = static_cast<int>(ms / 60000 % 60);
  f.hour = static_cast<int>(ms / 3600000);
  return f;
}

TDateTime DateOf(TDateTime value) {
  return std::trunc(value);
}

TDateTime TimeOf(TDateTime value) {
  return std::fabs(value - std::trunc(value));
}

namespace {
// Copies the quoted text that starts at `i` (two quotes in a row stand for one) and returns
// where the pattern goes on.
size_t CopyQuoted(const std::string& pattern, size_t i, std::string& out) {
  if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
    out += '\'';
    return i + 2;
  }
  ++i;
  while (i < pattern.size()) {
    if (pattern[i] == '\'') {
      if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
        out += '\'';
        i += 2;
        continue;
      }
      return i + 1;
    }
    out += pattern[i++];
  }
  return i;
}

// A number, a short name or a long name, by the length of the run (1 to 4 letters).
size_t WriteNamedField(size_t run, int number, const std::string& shortName, const std::string& longName,
                       std::string& out) {
  const size_t used = run < 4 ? run : 4;
  if (used == 1)
    out += std::to_string(number);
  else if (used == 2)
    out += Padded(number, 2);
  else
    out += used == 3 ? shortName : longName;
  return used;
}

// One or two digits, by the length of the run.
size_t WriteTwoDigitField(size_t run, int number, std::string& out) {
  const size_t used = run < 2 ? run : 2;
  out += used == 2 ? Padded(number, 2) : std::to_string(number);
  return used;
}

// Writes the date part a run of the letter `c` stands for; returns how many letters it used
// (0: the letter is no date field).
size_t WriteDateField(char c, size_t run, const DateTimeFields& f, const FormatSettings& fs,
                      std::string& out) {
  switch (c) {
    case 'd':
      return WriteNamedField(run, f.day, fs.shortDayNames[static_cast<size_t>(f.dayOfWeek)],
                             fs.longDayNames[static_cast<size_t>(f.dayOfWeek)], out);
    case 'M':
      return WriteNamedField(run, f.month, fs.shortMonthNames[static_cast<size_t>(f.month - 1)],
                             fs.longMonthNames[static_cast<size_t>(f.month - 1)], out);
    case 'y':
      if (run >= 4) {
        out += Padded(f.year, 4);
        return 4;
      }
      if (run >= 2) {
        out += Padded(f.year % 100, 2);
        return 2;
      }
      return 0;
    default:
      return 0;
  }
}

// The same for the time parts, from the letter at `i` of the pattern.
size_t WriteTimeField(const std::string& pattern, size_t i, size_t run, const DateTimeFields& f,
                      const FormatSettings& fs, bool twelveHour, std::string& out) {
  const char c = pattern[i];
  switch (c) {
    case 'h':
    case 'H': {
      int hour = f.hour;
      if (c == 'h' && twelveHour) {
        hour %= 12;
        if (hour == 0) hour = 12;
      }
      return WriteTwoDigitField(run, hour, out);
    }
    case 'm':
      return WriteTwoDigitField(run, f.minute, out);
    case 's':
      return WriteTwoDigitField(run, f.second, out);
    case 'z': {
      std::string ms = Padded(f.millisecond, 3);
      if (run >= 3) {
        out += ms;
        return 3;
      }
      while (ms.size() > 1 && ms.back() == '0') ms.pop_back();
      out += ms;
      return 1;
    }
    case 'a':
    case 'A': {
      const std::string& text = f.hour < 12 ? fs.amText : fs.pmText;
      for (const char t : text) out += c == 'A' ? AsciiUpper(t) : AsciiLower(t);
      return (i + 1 < pattern.size() && (pattern[i + 1] == 'p' || pattern[i + 1] == 'P')) ? 2 : 1;
    }
    case 't':
      return run;  // time-zone names are not written
    default:
      return 0;
  }
}
}  // namespace

std::string FormatDateTime(const std::string& pattern, TDateTime value, const FormatSettings& fs) {
  const DateTimeFields f = DecodeDateTime(value);
  const bool twelveHour = HasAmPm(pattern);
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'') {
      i = CopyQuoted(pattern, i, out);
      continue;
    }
    const size_t run = RunLength(pattern, i);
    size_t used = WriteDateField(c, run, f, fs, out);
    if (used == 0) used = WriteTimeField(pattern, i, run, f, fs, twelveHour, out);
    if (used == 0) {
      out += c;
      used = 1;
    }
    i += used;
  }
  return out;
}

std::string DateToStr(TDateTime value, const FormatSettings& fs) {
  return FormatDateTime(fs.shortDateFormat, value, fs);
}

std::string TimeToStr(TDateTime value, const FormatSettings& fs) {
  return FormatDateTime(fs.longTimeFormat, value, fs);
}

std::string DateTimeToStr(TDateTime value, const FormatSettings& fs) {
  std::string text = DateToStr(value, fs);
  const DateTimeFields f = DecodeDateTime(value);
  if (f.hour != 0 || f.minute != 0 || f.second != 0) {
    text += ' ';
    text += TimeToStr(value, fs);
  }
  return text;
}

bool TryStrToDate(const std::string& text, const FormatSettings& fs, TDateTime& out) {
  Scanner s(text);
  TDateTime date = 0;
  if (!ScanDate(s, fs, date) || !s.AtEnd()) return false;
  out = date;
  return true;
}

bool TryStrToTime(const std::string& text, const FormatSettings& fs, TDateTime& out) {
  Scanner s(text);
  TDateTime time = 0;
  if (!ScanTime(s, fs, time) || !s.AtEnd()) return false;
  out = time;
  return true;
}

bool TryStrToDateTime(const std::string& text, const FormatSettings& fs, TDateTime& out) {
  Scanner s(text);
  TDateTime date = 0;
  TDateTime time = 0;
  if (ScanDate(s, fs, date) && (s.AtEnd() || (ScanTime(s, fs, time) && s.AtEnd()))) {
    out = Combine(date, time);
    return true;
  }
  return TryStrToTime(text, fs, out);
}

TDateTime StrToDate(const std::string& text, const FormatSettings& fs) {
  TDateTime value = 0;
  if (!TryStrToDate(text, fs, value)) throw EConvertError("'" + text + "' is not a valid date");
  return value;
}

TDateTime StrToDateTime(const std::string& text, const FormatSettings& fs) {
  TDateTime value = 0;
  if (!TryStrToDateTime(text, fs, value)) throw EConvertError("'" + text + "' is not a valid date and time");
  return value;
}

// ---- Clocks ----

TDateTime SystemClock::Now() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  localtime_r(&ts.tv_sec, &local);
  DateTimeFields f;
  f.year = local.tm_year + 1900;
  f.month = local.tm_mon + 1;
  f.day = local.tm_mday;
  f.hour = local.tm_hour;
  f.minute = local.tm_min;
  f.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second stays in its minute
  f.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  TDateTime value = 0;
  TryEncodeDateTime(f, value);
  return value;
}

int SystemClock::UtcBiasMinutes(TDateTime local) const {
  const DateTimeFields f = DecodeDateTime(local);
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_isdst = -1;  // let the zone rules decide whether daylight saving time applies
  const time_t t = mktime(&tm);
  std::tm back{};
  localtime_r(&t, &back);
  return static_cast<int>(-back.tm_gmtoff / 60);
}

Clock& CurrentClock() {
  static SystemClock systemClock;
  Clock* clock = g_clock.load();
  return clock != nullptr ? *clock : systemClock;
}

void SetClock(Clock* clock) {
  g_clock.store(clock);
}

ScopedClock::ScopedClock(Clock* clock) : previous_(g_clock.load()) {
  g_clock.store(clock);
}

ScopedClock::~ScopedClock() {
  g_clock.store(previous_);
}

TDateTime Now() {
  return CurrentClock().Now();
}

TDateTime Today() {
  return DateOf(Now());
}

TDateTime LocalToUtc(TDateTime local) {
  if (local == 0) local = Now();
  return local + CurrentClock().UtcBiasMinutes(local) / 1440.0;
}

}  // namespace nummora
