#pragma once
// The documents of the commands' --json switch: exactly one JSON document on standard output,
// and an error as a JSON object on standard error, with the exit codes of the plain output.
// Texts are ISO-8859-1 in the core and UTF-8 in the document; every character outside ASCII is
// written as a \u escape, so the document is plain ASCII and cannot act on a terminal. Money
// amounts are decimal strings, digit for digit as kept (a JSON number read as binary floating
// point could lose a digit); metal weights, counts and batch numbers are numbers. Dates are
// ISO 8601 local times ("2026-12-09T22:13:05"), or null for never.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"
#include "common/datetime.h"

namespace nummora::cli {

struct Io;
using Json = nlohmann::ordered_json;

// Whether the arguments of a command ask for --json.
bool WantsJson(const std::vector<std::string>& args);

// An ISO-8859-1 text in UTF-8 (terminals, spreadsheets and JSON want UTF-8).
std::string Latin1ToUtf8(std::string_view latin1);
// An ISO-8859-1 text as a JSON string.
Json JsonText(const std::string& latin1);
// An amount as its decimal string ("1234.5678" without grouping).
Json JsonAmount(Currency amount);
// A local date and time in ISO 8601; null for 0 (never).
Json JsonDateTime(TDateTime value);
// The date part alone ("2026-12-09").
Json JsonDate(TDateTime value);

// Writes the document to standard output, byte for byte, ending in a line break.
void PrintJson(Io& io, const Json& document);
// The document of an error: {"error": {"code": N, "message": "..."}}.
std::string JsonError(int code, const std::string& message);

}  // namespace nummora::cli
