#pragma once
// The text routines every reader of server answers, of the profile document and of the
// directory uses. Texts are ISO-8859-1 byte strings; positions count bytes. Searches keep
// 16-bit positions: a match beyond byte 65535 throws ERangeError. Pure functions, safe
// from any thread.
#include <string>

namespace nummora {

// Encodes a text for a form body: "*", "-", ".", "_", "@" and the letters A-Z, a-z stay as
// they are, a blank becomes "+", every other byte "%" and two lower-case hex digits (digits
// too: "1" gives "%31"). Stops at the first NUL byte.
std::string UrlEncode(const std::string& text);

// Returns the text between the first "<name" of `source` (a prefix match: it also hits
// "<names") and the next "</name>" after that tag's ">". Empty when `source` is empty or
// the closing tag does not follow. Nested elements of the same name are not supported.
// With `consume` set, `source` becomes the text after the ">" that ends the closing tag
// (at most 10000000 bytes of it); callers walk repeated elements until the result is empty.
// Throws ERangeError when the opening tag, its ">" or the closing tag lies beyond byte 65535.
std::string ExtractTag(std::string& source, const std::string& name, bool consume);

// Returns the value of the hidden input field `name` on an HTML page, found exactly as
// <input type=hidden name=NAME value="...">: the text before the first "\">" among the 50
// bytes after the opening quote (empty if there is none, so values of 49 bytes or more read
// as empty; empty when the field is missing). Throws ERangeError when the field lies beyond
// byte 65535.
std::string ExtractHiddenInput(const std::string& name, const std::string& page);

}  // namespace nummora
