#include "cli/json_output.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "cli/command.h"

namespace nummora::cli {

bool WantsJson(const std::vector<std::string>& args) {
  return std::find(args.begin(), args.end(), "--json") != args.end();
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

Json JsonText(const std::string& latin1) {
  return Json(Latin1ToUtf8(latin1));
}

Json JsonAmount(Currency amount) {
  return Json(CurrToStr(amount));
}

Json JsonDateTime(TDateTime value) {
  if (value == 0) return nullptr;
  const DateTimeFields f = DecodeDateTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", f.year, f.month, f.day, f.hour, f.minute,
                f.second);
  return Json(std::string(text));
}

Json JsonDate(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", f.year, f.month, f.day);
  return Json(std::string(text));
}

void PrintJson(Io& io, const Json& document) {
  io.data << document.dump(2, ' ', /*ensure_ascii=*/true) << "\n";
  io.data.flush();
}

std::string JsonError(int code, const std::string& message) {
  Json document;
  document["error"] = {{"code", code}, {"message", JsonText(message)}};
  return document.dump(2, ' ', /*ensure_ascii=*/true);
}

}  // namespace nummora::cli
