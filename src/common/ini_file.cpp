#include "common/ini_file.h"

#include <limits>

#include "common/ascii_text.h"

namespace nummora {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool Quoted(std::string_view v) {
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

std::string ValueAsWritten(std::string_view value) {
  std::string v(value);
  for (char& c : v)
    if (c == '\r' || c == '\n') c = ' ';
  bool needsQuotes = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) || Quoted(v));
  return needsQuotes ? "\"" + v + "\"" : v;
}

std::string CheckedSection(std::string_view section) {
  std::string_view s = Trim(section);
  if (s.empty() || s.find_first_of("]\r\n") != std::string_view::npos)
    throw std::invalid_argument("invalid INI section name");
  return std::string(s);
}

std::string CheckedKey(std::string_view key) {
  std::string_view k = Trim(key);
  if (k.empty() || k.find_first_of("=\r\n") != std::string_view::npos || k.front() == ';' || k.front() == '[')
    throw std::invalid_argument("invalid INI key name");
  return std::string(k);
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  // A UTF-8 byte-order mark at the very start is not part of the first line.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    Line line;
    line.text = std::string(text.substr(pos, end - pos));
    std::string_view t = Trim(line.text);
    if (!t.empty() && t.front() == '[') {
      size_t close = t.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        line.kind = Kind::Section;
        line.name = std::string(Trim(t.substr(1, close - 1)));
      }
    } else if (!t.empty() && t.front() != ';') {
      size_t eq = t.find('=');
      if (eq != std::string_view::npos) {
        line.kind = Kind::Key;
        line.name = std::string(Trim(t.substr(0, eq)));
        std::string_view v = Trim(t.substr(eq + 1));
        if (Quoted(v)) v = v.substr(1, v.size() - 2);
        line.value = std::string(v);
      }
    }
    ini.lines_.push_back(std::move(line));
    pos = end;
    if (pos < text.size()) {
      if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
        pos += 2;
      else
        ++pos;
    }
  }
  return ini;
}

std::string IniFile::ToText() const {
  std::string out;
  for (const auto& line : lines_) {
    out += line.text;
    out += "\r\n";
  }
  return out;
}

std::optional<std::pair<size_t, size_t>> IniFile::SectionRange(std::string_view section) const {
  std::string_view wanted = Trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::Section || !EqualsIgnoringCase(lines_[i].name, wanted)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::Section) ++end;
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::optional<size_t> IniFile::KeyLine(std::string_view section, std::string_view key) const {
  auto range = SectionRange(section);
  if (!range) return std::nullopt;
  std::string_view wanted = Trim(key);
  for (size_t i = range->first + 1; i < range->second; ++i)
    if (lines_[i].kind == Kind::Key && EqualsIgnoringCase(lines_[i].name, wanted)) return i;
  return std::nullopt;
}

bool IniFile::SectionExists(std::string_view section) const {
  return SectionRange(section).has_value();
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return KeyLine(section, key).has_value();
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  auto line = KeyLine(section, key);
  if (!line) return std::nullopt;
  return lines_[*line].value;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  auto value = Find(section, key);
  return value ? *value : std::string(defaultValue);
}

std::optional<int32_t> IniFile::ParseInteger(std::string_view text) {
  std::string_view s = Trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  int base = 10;
  if (s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : s) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 16) {
    // Hexadecimal gives the 32 bits as they stand: $FFFFFFFF is -1.
    auto bits = static_cast<int32_t>(static_cast<uint32_t>(value));
    return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
  }
  if (negative) {
    if (value > 2147483648ull) return std::nullopt;
    return static_cast<int32_t>(-static_cast<int64_t>(value));
  }
  if (value > 2147483647ull) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const {
  auto value = Find(section, key);
  if (!value) return defaultValue;
  return ParseInteger(*value).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    if (line.kind != Kind::Section) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || EqualsIgnoringCase(n, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> names;
  auto range = SectionRange(section);
  if (!range) return names;
  for (size_t i = range->first + 1; i < range->second; ++i) {
    if (lines_[i].kind != Kind::Key) continue;
    bool seen = false;
    for (const auto& n : names) seen = seen || EqualsIgnoringCase(n, lines_[i].name);
    if (!seen) names.push_back(lines_[i].name);
  }
  return names;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string sectionName = CheckedSection(section);
  std::string keyName = CheckedKey(key);
  Line line;
  line.kind = Kind::Key;
  line.value = std::string(value);
  for (char& c : line.value)
    if (c == '\r' || c == '\n') c = ' ';
  if (auto existing = KeyLine(sectionName, keyName)) {
    Line& old = lines_[*existing];
    old.value = line.value;
    old.text = old.name + "=" + ValueAsWritten(value);
    return;
  }
  line.name = keyName;
  line.text = keyName + "=" + ValueAsWritten(value);
  if (auto range = SectionRange(sectionName)) {
    // After the last line of the section that is not blank, so that the blank lines that
    // separate it from the next section stay behind it.
    size_t at = range->second;
    while (at > range->first + 1 && Trim(lines_[at - 1].text).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
  Line header;
  header.kind = Kind::Section;
  header.name = sectionName;
  header.text = "[" + sectionName + "]";
  lines_.push_back(std::move(header));
  lines_.push_back(std::move(line));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  auto range = SectionRange(section);
  if (!range) return false;
  std::string_view wanted = Trim(key);
  bool removed = false;
  for (size_t i = range->second; i-- > range->first + 1;) {
    if (lines_[i].kind == Kind::Key && EqualsIgnoringCase(lines_[i].name, wanted)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    }
  }
  return removed;
}

bool IniFile::EraseSection(std::string_view section) {
  bool removed = false;
  while (auto range = SectionRange(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->second));
    removed = true;
  }
  return removed;
}

}  // namespace nummora
