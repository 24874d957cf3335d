#include "common/format_settings.h"

#include <algorithm>

namespace nummora {

namespace {

bool IsPatternLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The first character of a pattern, outside quoted text, that is neither a letter nor a blank.
char FirstSeparator(const std::string& pattern, char fallback) {
  bool quoted = false;
  for (const char c : pattern) {
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && !IsPatternLetter(c) && c != ' ') return c;
  }
  return fallback;
}

// The pattern without time-zone letters ("t" runs outside quoted text), with the blanks
// around them folded.
std::string WithoutTimeZone(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (const char c : pattern) {
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == 't') continue;
    if (!quoted && c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  size_t start = 0;
  while (start < out.size() && out[start] == ' ') ++start;
  return out.substr(start);
}

}  // namespace

FormatSettings UsEnglishFormatSettings() {
  return FormatSettings();
}

FormatSettings MakeFormatSettings(const std::string& shortDateFormat, const std::string& longTimeFormat,
                                  const std::string& amText, const std::string& pmText) {
  FormatSettings fs;
  fs.shortDateFormat = WidenShortDateYear(shortDateFormat);
  fs.longTimeFormat = WithoutTimeZone(longTimeFormat);
  fs.amText = amText;
  fs.pmText = pmText;
  fs.dateSeparator = FirstSeparator(fs.shortDateFormat, '/');
  fs.timeSeparator = FirstSeparator(fs.longTimeFormat, ':');
  return fs;
}

FormatSettings MakeNumberFormat(const FormatSettings& regional) {
  FormatSettings fs = regional;
  fs.decimalSeparator = '.';
  fs.thousandSeparator = ',';
  fs.currencyDecimals = 2;
  return fs;
}

namespace {

// The day, month and year fields of a pattern in their order, numeric and joined by "/".
std::string NumericDatePattern(const std::string& pattern) {
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c == '\'') quoted = !quoted;
    if (quoted || (c != 'd' && c != 'M' && c != 'y')) {
      ++i;
      continue;
    }
    size_t run = 0;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    i += run;
    if (c == 'd' && run > 2) continue;  // a day name
    if (!out.empty()) out += '/';
    out.append(c == 'y' ? std::max<size_t>(run, 4) : std::min<size_t>(run, 2), c);
  }
  return out;
}

}  // namespace

std::string WidenShortDateYear(const std::string& pattern) {
  // A month or day written as a name ("MMM", "ddd") could not be read back from the profile,
  // where dates are stored in this pattern: such a pattern becomes numeric, fields kept in order.
  if (pattern.find("MMM") != std::string::npos || pattern.find("ddd") != std::string::npos)
    return NumericDatePattern(pattern);
  std::string out;
  bool quoted = false;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '\'') quoted = !quoted;
    if (!quoted && c == 'y') {
      size_t run = 0;
      while (i + run < pattern.size() && pattern[i + run] == 'y') ++run;
      out.append(run < 4 ? 4 : run, 'y');
      i += run;
      continue;
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace nummora
