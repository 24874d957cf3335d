#include "common/format_settings.h"

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

std::string WidenShortDateYear(const std::string& pattern) {
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
