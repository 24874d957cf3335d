#include "net/form_encoding.h"

namespace nummora {
namespace {

bool NeedsEscape(unsigned char c) {
  switch (c) {
    case ' ':
    case '#':
    case '%':
    case '*':
    case '<':
    case '>':
    case '[':
    case ']':
    // "&" would end the field and "+" would turn into a blank at the server: a value holding
    // them must arrive as typed and never add or change a field.
    case '&':
    case '+':
      return true;
    default:
      // 128 itself passes unescaped, as the servers have always received it.
      return c < 33 || c > 128;
  }
}

}  // namespace

std::vector<std::string> SplitFormLines(std::string_view formText) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < formText.size()) {
    char c = formText[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(formText.substr(start, i - start));
      if (c == '\r' && i + 1 < formText.size() && formText[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < formText.size()) lines.emplace_back(formText.substr(start));
  return lines;
}

std::string EncodeFormLine(std::string_view line) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::string(line);
  static const char kHex[] = "0123456789ABCDEF";
  std::string out(line.substr(0, eq + 1));
  out.reserve(line.size() + 16);
  for (char ch : line.substr(eq + 1)) {
    auto c = static_cast<unsigned char>(ch);
    if (NeedsEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string EncodeFormBody(const std::vector<std::string>& lines) {
  std::string joined;
  for (const auto& line : lines) {
    joined += EncodeFormLine(line);
    joined += "\r\n";
  }
  size_t first = 0;
  size_t last = joined.size();
  while (first < last && static_cast<unsigned char>(joined[first]) <= 32) ++first;
  while (last > first && static_cast<unsigned char>(joined[last - 1]) <= 32) --last;
  std::string trimmed = joined.substr(first, last - first);
  if (lines.size() < 2) return trimmed;
  std::string body;
  body.reserve(trimmed.size());
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] == '\r' && i + 1 < trimmed.size() && trimmed[i + 1] == '\n') {
      body += '&';
      ++i;
    } else {
      body += trimmed[i];
    }
  }
  return body;
}

std::string FormBodyFromText(std::string_view formText) {
  return EncodeFormBody(SplitFormLines(formText));
}

}  // namespace nummora
