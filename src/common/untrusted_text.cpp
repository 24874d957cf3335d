#include "common/untrusted_text.h"

namespace nummora {

namespace {

void AppendCode(std::string& out, unsigned char c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[c >> 4];
  out += kDigits[c & 15];
}

bool IsC0OrDelete(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

bool IsC1(unsigned char c) {
  return c >= 0x80 && c < 0xa0;
}

bool IsPlainNumber(std::string_view text) {
  std::size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  bool digits = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (text[i] >= '0' && text[i] <= '9') {
      digits = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

}  // namespace

std::string VisibleControls(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsC0OrDelete(c) || IsC1(c))
      AppendCode(out, c);
    else
      out += ch;
  }
  return out;
}

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = static_cast<unsigned char>(i + 1 < text.size() ? text[i + 1] : 0);
    if (c == '\n' || c == '\t' || (c == '\r' && next == '\n')) {
      out += text[i];
    } else if (IsC0OrDelete(c)) {
      AppendCode(out, c);
    } else if (c == 0xc2 && IsC1(next)) {
      AppendCode(out, next);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string SpreadsheetCell(std::string_view text) {
  if (text.empty() || IsPlainNumber(text)) return std::string(text);
  switch (text[0]) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return "'" + std::string(text);
    default:
      return std::string(text);
  }
}

TerminalStreamBuf::~TerminalStreamBuf() {
  if (!held_.empty()) {
    const std::string out = TerminalText(held_);
    target_->sputn(out.data(), static_cast<std::streamsize>(out.size()));
  }
  target_->pubsync();
}

bool TerminalStreamBuf::Put(std::string_view text) {
  std::string pending = held_ + std::string(text);
  held_.clear();
  if (!pending.empty() && (pending.back() == '\r' || static_cast<unsigned char>(pending.back()) == 0xc2)) {
    held_ = pending.back();
    pending.pop_back();
  }
  const std::string out = TerminalText(pending);
  return target_->sputn(out.data(), static_cast<std::streamsize>(out.size())) ==
         static_cast<std::streamsize>(out.size());
}

TerminalStreamBuf::int_type TerminalStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return Put(std::string_view(&ch, 1)) ? c : traits_type::eof();
}

std::streamsize TerminalStreamBuf::xsputn(const char* s, std::streamsize n) {
  return Put(std::string_view(s, static_cast<std::size_t>(n))) ? n : 0;
}

int TerminalStreamBuf::sync() {
  return target_->pubsync();
}

}  // namespace nummora
