// Fuzz target for the reading of the user's mimeapps.list when the nmr link handler is added:
// any bytes must be read; when our default is added, every line of the list stays, in order,
// and the new list is then found to have a default for nmr links.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop/link_handler.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto updated = nummora::WithSchemeDefault(text, "nummora-nmr.desktop");
  if (!updated) return 0;
  const std::vector<std::string> before = Lines(text), after = Lines(*updated);
  size_t matched = 0;
  for (const std::string& line : after)
    if (matched < before.size() && line == before[matched]) ++matched;
  if (matched != before.size()) abort();  // a line of the user's list was lost or changed
  if (nummora::WithSchemeDefault(*updated, "nummora-nmr.desktop")) abort();
  return 0;
}
