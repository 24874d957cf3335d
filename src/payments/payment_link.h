#pragma once
// Payment links: nmr://payto=...&amount=...&memo=...&merchant=... as passed on the command
// line, handed over by a second instance, or built by the address book. Parsed from the raw
// text; values are taken exactly as they stand (no percent-decoding, no trimming).
#include <string>
#include <vector>

namespace nummora {

// Splits a link into its parts. A link of 8 bytes or fewer has no parts. Otherwise the first
// 6 bytes (the "nmr://" prefix) are dropped, at most the next 255 bytes are kept, and a
// final "/" is dropped. A part ends at "&", CR or LF; line breaks before a part are skipped;
// an apostrophe or double quote opens a quoted run closed by the same character, inside which
// "&" and line breaks do not end the part (quotes stay in the part); a NUL byte ends the text;
// empty parts are left out.
std::vector<std::string> SplitPaymentLink(const std::string& link);

// The value of `key` among the parts: the text after the first "=" of the first part whose
// text before that "=" equals the key, letters compared without regard to case; empty if
// no part matches.
std::string PaymentLinkValue(const std::vector<std::string>& parts, const std::string& key);

// What a link puts into the payment dialog.
struct PaymentLinkFields {
  bool hasParts = false;               // false: the dialog opens empty and no field is touched
  std::string payto;                   // the "payto" value
  bool paytoIsLibertyReserve = false;  // payto goes to the Liberty Reserve recipient field
  std::string amount;                  // the "amount" value
  std::string memo;                    // the "memo" value
  std::string merchant;                // the "merchant" value
};

// Parses a link into the fields of the payment dialog; absent keys give empty texts.
PaymentLinkFields ParsePaymentLink(const std::string& link);

}  // namespace nummora
