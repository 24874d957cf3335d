#pragma once
// The body of a form post. Callers hand over the form as text, one field a line ("name=value");
// the lines become the body as follows:
//   - a line ends at CR, at LF or at CR LF; a final line break adds no empty line;
//   - in each line that holds "=", the value after the first "=" has every blank, "#", "%",
//     "&", "+", "*", "<", ">", "[", "]" and every byte below 33 or above 128 written as "%"
//     and two upper-case hex digits; everything else ("=" included) stays, so a value can
//     never add or change a field; a line without "=" stays as it is;
//   - the lines are joined, each followed by CR LF, and bytes 0-32 are trimmed from both ends;
//   - with two or more lines every CR LF becomes "&".
// So the lines "a=1" and "b=x y" give "a=1&b=x%20y", "m=x&a=9" gives "m=x%26a=9", and
// "req=%3c" gives "req=%253c".
#include <string>
#include <string_view>
#include <vector>

namespace nummora {

// Splits form text into lines; an empty text gives no lines.
std::vector<std::string> SplitFormLines(std::string_view formText);

// Escapes the value part of one form line (see above).
std::string EncodeFormLine(std::string_view line);

// The body for a list of form lines.
std::string EncodeFormBody(const std::vector<std::string>& lines);

// SplitFormLines then EncodeFormBody.
std::string FormBodyFromText(std::string_view formText);

}  // namespace nummora
