#pragma once
// The Liberty Reserve XML API: what every request shares (request id, token, Auth block, date
// form, form body, error answers) and the balance request with the reading of its answer.
// Documents are plain text whose element texts are escaped (LRElementText); answers are read
// with ExtractTag and, for repeated elements, its cursor (common/tag_cursor.h). Pure functions
// apart from the clock, which is injectable (common/datetime.h).
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "profile/model.h"

namespace nummora {

inline constexpr const char* kLRCurrencyUsd = "LRUSD";
inline constexpr const char* kLRCurrencyEur = "LREUR";

inline constexpr const char* kLRBalancePath = "/xml/balance.aspx";
inline constexpr const char* kLRAccountNamePath = "/xml/accountname.aspx";
inline constexpr const char* kLRTransferPath = "/xml/transfer.aspx";
inline constexpr const char* kLRHistoryPath = "/xml/history.aspx";

// The request id of a local date-time: "1" and then two-digit year, day, month, hour,
// minute, second and three-digit milliseconds ("1yyddmmhhnnsszzz", 16 characters).
std::string LRRequestId(TDateTime local);
// The request id of the current local time of the clock in use.
std::string LRRequestId();

// The token for a security word at a UTC date-time: the SHA-256 digest of
// word + ":" + yyyymmdd + ":" + hh (UTC), as 64 upper-case hexadecimal digits. The text that
// is hashed holds the security word and is wiped afterwards.
std::string LRToken(const std::string& securityWord, TDateTime utc);
// The token for the current UTC time of the clock in use.
std::string LRToken(const std::string& securityWord);

// "<Auth>" CRLF "<ApiName>…</ApiName>" CRLF "<Token>…</Token>" CRLF "</Auth>" CRLF, with the
// token made from the account's security word at the given UTC time (or now).
std::string LRAuthBlock(const AccountRecord& account, TDateTime utc);
std::string LRAuthBlock(const AccountRecord& account);

// A local date-time as the history request's From and Till want it: converted to UTC, then
// "yyyy-dd-mm hh:nn:00" (day before month; seconds always 00). A local time of 0 means now.
std::string LRDateForm(TDateTime local);

// Whether an answer is an error answer (it contains "<Error>").
bool IsLRErrorAnswer(const std::string& answer);
// "Error " + Code + ": " + Text + " (" + Description + ")", each the first element of that
// name (empty when missing). Throws ERangeError when an element lies beyond byte 65535.
std::string LRErrorMessage(const std::string& answer);

// An element text of a request document: "&", "<" and ">" written as the character
// references "&#38;", "&#60;" and "&#62;", so that typed text can never close, open or add an
// element. Every other byte stays as it is.
std::string LRElementText(const std::string& text);

// A text for the logs: the content of every Token element shown as asterisks, both in a
// document as it is ("<Token>") and in its URL-encoded form ("%3cToken%3e"). A Token without
// its closing tag is masked to the end of the text.
std::string MaskLRToken(const std::string& text);

// The form text of a request document: "req=" + UrlEncode(document).
std::string LRFormBody(const std::string& document);

// The balance request for an account: both currencies, no line break between the opening
// element and the Auth block.
std::string LRBalanceRequest(const AccountRecord& account, const std::string& requestId, TDateTime utc);
// The same with a fresh request id and the token of the current time.
std::string LRBalanceRequest(const AccountRecord& account);

// One Balance element of a balance answer, in answer order.
struct LRBalanceEntry {
  bool euro = false;   // CurrencyId exactly "LREUR"; anything else counts as dollars
  Currency value = 0;  // Value read with the number format; 0 when it is not a number
};

// Walks the Balance elements of a (non-error) balance answer, in time linear in its length.
// Currencies the answer does not mention are simply missing from the list. Throws ERangeError
// when a match lies beyond byte 65535 of the remaining text.
std::vector<LRBalanceEntry> ReadLRBalanceAnswer(const std::string& answer,
                                                const FormatSettings& numberFormat);

}  // namespace nummora
