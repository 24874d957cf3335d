#pragma once
// Recognises Liberty Reserve account numbers.
#include <string>

namespace nummora {

// True when `text`, with leading and trailing bytes of code 32 or below removed, starts with
// "U" or "X" (upper case), is at most 8 bytes long, and the bytes after the first read as a
// whole decimal number other than 0 (leading spaces and a sign allowed; text that does not
// read counts as 0). U1234567, X12 and U-12 pass; u1234567, U0, U, U12345678, E1234 fail.
bool IsLibertyReserveAccount(const std::string& text);

}  // namespace nummora
