#pragma once
// The one crossing between the core's texts (std::string holding ISO-8859-1 bytes) and the
// widgets' QString.
#include <QString>
#include <string>

namespace nummora {

// The bytes as the characters they stand for in ISO-8859-1.
QString FromLatin1(const std::string& text);
// The characters as ISO-8859-1 bytes. Only for texts that hold nothing else (texts that came
// from the core, locale formats, fields restricted by RestrictToLatin1): a character outside
// ISO-8859-1 would become "?".
std::string ToLatin1(const QString& text);
// Whether every character of the text is in ISO-8859-1.
bool IsLatin1(const QString& text);

}  // namespace nummora
