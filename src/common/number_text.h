#pragma once
// Texts of floating-point numbers and integers as the profile document, the server answers
// and the windows write and read them.
#include <cstdint>
#include <string>

#include "common/format_settings.h"

namespace nummora {

// The number in its shortest general form with at most 15 significant digits, no trailing
// zeros and no thousands separators (0.25, 100, -3.5). Numbers whose magnitude is below
// 0.00001 (other than 0), or that need more than 15 digits before the point, are written in
// scientific form: mantissa, "E", the exponent with a minus sign only when negative (1.5E-6,
// 1E15). Not-finite values give "NAN", "INF" or "-INF". The largest doubles, which 15 digits
// would round past the range of doubles, are written as 1.79769313486231E308 so that every
// finite number written reads back. The first form uses "."; the second the decimal separator
// of the given format.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const FormatSettings& fs);

// Reads a number: optional blanks, an optional sign, digits with at most one decimal
// separator (at least one digit), an optional exponent (E or e, optional sign, digits),
// optional trailing blanks. No thousands separators, no "INF" or "NAN". A value too large
// for a double fails; one too small reads as 0. Returns false, leaving `out` alone, on failure.
bool TryStrToFloat(const std::string& text, double& out);
bool TryStrToFloat(const std::string& text, const FormatSettings& fs, double& out);

// As TryStrToFloat, but a text that does not read gives `fallback`.
double StrToFloatDef(const std::string& text, double fallback);
double StrToFloatDef(const std::string& text, const FormatSettings& fs, double fallback);

// As TryStrToFloat, but a text that does not read throws EConvertError
// ("'<text>' is not a valid floating point value").
double StrToFloat(const std::string& text);

// Reads a decimal integer: optional leading blanks (spaces), an optional sign, digits, nothing
// after them. Returns false, leaving `out` alone, when the text is not such a number or does
// not fit the type.
bool TryStrToInt(const std::string& text, int32_t& out);
bool TryStrToInt64(const std::string& text, int64_t& out);

// As TryStrToInt, with `fallback` for a text that does not read.
int32_t StrToIntDef(const std::string& text, int32_t fallback);

// As TryStrToInt, but throws EConvertError ("'<text>' is not a valid integer value").
int32_t StrToInt(const std::string& text);

// Reads a boolean: a number is true unless it is 0; "True" and "False" in any letter case.
// Returns false, leaving `out` alone, for any other text.
bool TryStrToBool(const std::string& text, bool& out);

}  // namespace nummora
