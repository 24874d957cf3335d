#pragma once
// Letter case and trimming for 8-bit texts. Only the ASCII letters A-Z and a-z have a case
// here: keys, value names and words the program compares are ASCII, and the other bytes of an
// ISO-8859-1 text are left exactly as they are. Pure functions, safe from any thread.
#include <string>
#include <string_view>

namespace nummora {

// The lower-case (upper-case) form of an ASCII letter; every other byte as it is.
char AsciiLower(char c);
char AsciiUpper(char c);

// The text with every ASCII letter in lower case.
std::string AsciiLower(std::string_view text);

// Whether two texts are equal when ASCII letters are compared without regard to case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether `text` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// The text without the leading and trailing bytes of code 32 or below (blanks, tabs, line
// breaks and other control characters).
std::string TrimControls(std::string_view text);

}  // namespace nummora
