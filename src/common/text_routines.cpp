#include "common/text_routines.h"

#include "common/errors.h"

namespace nummora {

namespace {

// Positions in the searches below are 1-based, 0 meaning "not found", and are kept in 16
// bits by the readers built on them.
constexpr size_t kMaxPosition = 65535;
constexpr size_t kMaxConsumedLength = 10000000;

// First position of `needle` in `haystack` at or after `from` (1-based; 0 is taken as 1).
size_t PosFrom(const std::string& needle, const std::string& haystack, size_t from) {
  if (from == 0) from = 1;
  if (needle.empty() || from > haystack.size()) return 0;
  const size_t found = haystack.find(needle, from - 1);
  return found == std::string::npos ? 0 : found + 1;
}

void CheckPosition(size_t position) {
  if (position > kMaxPosition) throw ERangeError();
}

bool IsPlainUrlChar(unsigned char c) {
  return c == '*' || c == '-' || c == '.' || c == '_' || c == '@' || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z');
}

}  // namespace

std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == 0) break;
    if (IsPlainUrlChar(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0f];
    }
  }
  return out;
}

std::string ExtractTag(std::string& source, const std::string& name, bool consume) {
  std::string result;
  if (source.empty()) return result;

  const size_t a = PosFrom("<" + name, source, 1);
  CheckPosition(a);
  const size_t b = PosFrom(">", source, a + 1);
  CheckPosition(b);
  const size_t d = PosFrom("</" + name + ">", source, b);
  CheckPosition(d);

  // The text from b + 1 to d - 1; nothing when the closing tag is missing or adjacent.
  if (d > b + 1) result = source.substr(b, d - b - 1);

  if (consume) {
    const size_t f = PosFrom(">", source, d);
    // The text after position f; the whole text when there is no ">" at all (f is 0).
    source = source.substr(f, kMaxConsumedLength);
  }
  return result;
}

std::string ExtractHiddenInput(const std::string& name, const std::string& page) {
  const std::string pattern = "<input type=hidden name=" + name + " value=\"";
  const size_t p = PosFrom(pattern, page, 1);
  CheckPosition(p);
  if (p == 0) return std::string();
  const size_t start = p - 1 + pattern.size();
  const std::string window = start < page.size() ? page.substr(start, 50) : std::string();
  const size_t end = window.find("\">");
  if (end == std::string::npos) return std::string();
  return window.substr(0, end);
}

}  // namespace nummora
