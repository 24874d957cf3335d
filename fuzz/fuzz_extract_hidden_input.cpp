// Reads a hidden input field from a page: the first line of the input is the field name,
// the rest the page. A range error for a field beyond 16-bit positions is the defined
// answer; anything else that escapes, or a value longer than the window, is a crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "common/text_routines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string name =
      newline == std::string::npos ? "PAYEE_NAME" : input.substr(0, newline < 64 ? newline : 64);
  const std::string page = newline == std::string::npos ? input : input.substr(newline + 1);
  try {
    const std::string value = nummora::ExtractHiddenInput(name, page);
    if (value.size() > 48) std::abort();
    if (!value.empty() && page.find(value + "\">") == std::string::npos) std::abort();
  } catch (const nummora::ERangeError&) {
  }
  // The encoder takes any bytes and stays within three bytes per input byte.
  if (nummora::UrlEncode(input).size() > input.size() * 3) std::abort();
  return 0;
}
