// Fuzz target for the directory document walk: the category page and the sites of a few
// categories, read from any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "directory/directory_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (int category : {0, 1, 3, 127}) {
    const DirectoryListing listing = ReadDirectory(text, category);
    for (const DirectoryItem& item : listing.items)
      if (category == 0 && (item.number < kMinCategory || item.number > kMaxCategory)) __builtin_trap();
  }
  return 0;
}
