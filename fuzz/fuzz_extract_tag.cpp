// Walks a text with the tag extractor as the answer readers do: the first line of the input
// is the element name, the rest the source. Range errors are the extractor's defined answer
// to far matches; every other failure, and any broken invariant, is a crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "common/text_routines.h"

using nummora::ExtractTag;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t newline = input.find('\n');
  const std::string name = newline == std::string::npos ? "a" : input.substr(0, newline < 32 ? newline : 32);
  std::string source = newline == std::string::npos ? input : input.substr(newline + 1);

  try {
    std::string peek = source;
    const std::string once = ExtractTag(peek, name, false);
    if (peek != source) std::abort();  // without consume the source stays as it was
    if (once.size() >= source.size() && !once.empty()) std::abort();

    // The consuming walk must shrink the source on every step that returns something.
    for (int steps = 0; steps < 100000; ++steps) {
      const size_t before = source.size();
      const std::string value = ExtractTag(source, name, true);
      if (source.size() > before) std::abort();
      if (value.empty()) break;
      if (source.size() >= before) std::abort();
    }
  } catch (const nummora::ERangeError&) {
  }
  return 0;
}
