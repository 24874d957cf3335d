#include "net/liberty_reserve.h"

#include <openssl/evp.h>

#include <cstdio>

#include "common/errors.h"
#include "common/secure_memory.h"
#include "common/tag_cursor.h"
#include "common/text_routines.h"

namespace nummora {

namespace {

const char kCrLf[] = "\r\n";

std::string Sha256UpperHex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1)
    throw NummoraError("SHA-256 is not available");
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0x0F];
  }
  return out;
}

// Replaces the text between each `open` and the next `close` by asterisks.
std::string MaskBetween(const std::string& text, const std::string& open, const std::string& close) {
  std::string out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t start = text.find(open, from);
    if (start == std::string::npos) break;
    const std::size_t value = start + open.size();
    std::size_t end = text.find(close, value);
    if (end == std::string::npos) end = text.size();
    out.append(text, from, value - from);
    if (end > value) out += "********";
    from = end;
  }
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace

std::string LRElementText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&#38;";
        break;
      case '<':
        out += "&#60;";
        break;
      case '>':
        out += "&#62;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string MaskLRToken(const std::string& text) {
  return MaskBetween(MaskBetween(text, "<Token>", "</Token>"), "%3cToken%3e", "%3c%2fToken%3e");
}

std::string LRRequestId(TDateTime local) {
  const DateTimeFields f = DecodeDateTime(local);
  char buf[40];
  std::snprintf(buf, sizeof buf, "1%.2d%.2d%.2d%.2d%.2d%.2d%.3d", f.year % 100, f.day, f.month, f.hour,
                f.minute, f.second, f.millisecond);
  return buf;
}

std::string LRRequestId() {
  return LRRequestId(Now());
}

std::string LRToken(const std::string& securityWord, TDateTime utc) {
  const DateTimeFields f = DecodeDateTime(utc);
  char date[32];
  std::snprintf(date, sizeof date, ":%.4d%.2d%.2d:%.2d", f.year, f.month, f.day, f.hour);
  // The text holds the security word: build it in one buffer that is wiped afterwards.
  SecretString text;
  text.str().reserve(securityWord.size() + sizeof date);
  text.str().append(securityWord).append(date);
  return Sha256UpperHex(text.str());
}

std::string LRToken(const std::string& securityWord) {
  return LRToken(securityWord, LocalToUtc(Now()));
}

std::string LRAuthBlock(const AccountRecord& account, TDateTime utc) {
  std::string block = "<Auth>";
  block += kCrLf;
  block += "<ApiName>" + LRElementText(account.APIname) + "</ApiName>";
  block += kCrLf;
  block += "<Token>" + LRToken(account.Password, utc) + "</Token>";
  block += kCrLf;
  block += "</Auth>";
  block += kCrLf;
  return block;
}

std::string LRAuthBlock(const AccountRecord& account) {
  return LRAuthBlock(account, LocalToUtc(Now()));
}

std::string LRDateForm(TDateTime local) {
  const DateTimeFields f = DecodeDateTime(LocalToUtc(local));
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", f.year, f.day, f.month, f.hour, f.minute,
                0);
  return buf;
}

bool IsLRErrorAnswer(const std::string& answer) {
  return answer.find("<Error>") != std::string::npos;
}

std::string LRErrorMessage(const std::string& answer) {
  std::string source = answer;
  const std::string code = ExtractTag(source, "Code", false);
  const std::string text = ExtractTag(source, "Text", false);
  const std::string description = ExtractTag(source, "Description", false);
  return "Error " + code + ": " + text + " (" + description + ")";
}

std::string LRFormBody(const std::string& document) {
  return "req=" + UrlEncode(document);
}

std::string LRBalanceRequest(const AccountRecord& account, const std::string& requestId, TDateTime utc) {
  std::string doc = "<BalanceRequest id=\"" + requestId + "\">";
  doc += LRAuthBlock(account, utc);
  doc += "<Balance><CurrencyId>";
  doc += kLRCurrencyUsd;
  doc += "</CurrencyId><AccountId>" + LRElementText(account.ID) + "</AccountId></Balance>";
  doc += "<Balance><CurrencyId>";
  doc += kLRCurrencyEur;
  doc += "</CurrencyId><AccountId>" + LRElementText(account.ID) + "</AccountId></Balance>";
  doc += "</BalanceRequest>";
  return doc;
}

std::string LRBalanceRequest(const AccountRecord& account) {
  return LRBalanceRequest(account, LRRequestId(), LocalToUtc(Now()));
}

std::vector<LRBalanceEntry> ReadLRBalanceAnswer(const std::string& answer,
                                                const FormatSettings& numberFormat) {
  std::vector<LRBalanceEntry> entries;
  // The consuming walk of ExtractTag, with a cursor so that time grows linearly with the
  // answer. The prefix match may first hit an enclosing element such as <Balances>; the text it
  // returns then still holds the first Balance element whole, so each balance is read once.
  TagCursor cursor(answer);
  for (std::string item = cursor.Take("Balance"); !item.empty(); item = cursor.Take("Balance")) {
    LRBalanceEntry entry;
    entry.value = StrToCurrDef(ExtractTag(item, "Value", false), numberFormat, 0);
    entry.euro = ExtractTag(item, "CurrencyId", false) == kLRCurrencyEur;
    entries.push_back(entry);
  }
  return entries;
}

}  // namespace nummora
