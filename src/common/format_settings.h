#pragma once
// Regional formats: the user's date, time and number settings as a plain record. The
// desktop layer fills it from the system locale at start-up; the core only reads it. Date
// and time patterns use Qt's pattern letters (d dd ddd dddd, M MM MMM MMMM, yy yyyy,
// h hh H HH, m mm, s ss, z zzz, AP ap A a, text in single quotes).
#include <array>
#include <string>

namespace nummora {

struct FormatSettings {
  std::string shortDateFormat = "M/d/yyyy";  // year always widened to four digits
  std::string longTimeFormat = "h:mm:ss AP";
  std::string amText = "AM";
  std::string pmText = "PM";
  char dateSeparator = '/';  // separator the date reader expects between numbers
  char timeSeparator = ':';  // separator the time reader expects between numbers
  char decimalSeparator = '.';
  char thousandSeparator = ',';
  int currencyDecimals = 2;
  // Two-digit years typed by the user are placed within this many years before the
  // current year (and the years after it up to a century).
  int twoDigitYearWindow = 50;
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> longMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  // Day names start with Monday (index 0) and end with Sunday (index 6).
  std::array<std::string, 7> shortDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  std::array<std::string, 7> longDayNames{"Monday", "Tuesday",  "Wednesday", "Thursday",
                                          "Friday", "Saturday", "Sunday"};
};

// The US English formats used by the tests: "M/d/yyyy", "h:mm:ss AP", AM/PM, "." and ",".
FormatSettings UsEnglishFormatSettings();

// Regional settings from the given patterns: the short date's two-digit year widened to four
// digits, time-zone letters dropped from the time pattern, and the date and time separators
// taken from the patterns (the first character that is not a pattern letter or a blank).
FormatSettings MakeFormatSettings(const std::string& shortDateFormat, const std::string& longTimeFormat,
                                  const std::string& amText, const std::string& pmText);

// The program's number format: the regional settings with decimal separator ".", thousands
// separator "," and 2 currency decimals forced.
FormatSettings MakeNumberFormat(const FormatSettings& regional);

// A short-date pattern whose year is written with fewer than four "y" gets "yyyy" instead,
// so that dates written and read back keep their century; a pattern that names the month or
// the day becomes numeric ("d MMM yyyy" gives "d/MM/yyyy"), which reads back. Quoted text is
// left alone.
std::string WidenShortDateYear(const std::string& pattern);

}  // namespace nummora
