// Fuzz target for the reader of the vendor service's proxy list ("/services/proxies.php"): any
// answer gives at most the entry limit, each entry one non-empty line no longer than the line
// limit, and every entry splits into a host and a port of at most six characters, as a
// double-click takes it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "preferences/preference_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = ReadProxyList(answer);
  if (entries.size() > kMaxProxyListEntries) abort();
  for (const std::string& entry : entries) {
    if (entry.empty() || entry.size() > kMaxProxyLineLength ||
        entry.find_first_of("\r\n") != std::string::npos)
      abort();
    std::string host, port;
    SplitProxyLine(entry, host, port);
    if (port.size() > 6 || host.size() > entry.size()) abort();
  }
  return 0;
}
