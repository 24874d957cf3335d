// Fuzz target for the picture strips: any bytes read as a bitmap and cut into the icons of
// both strips.
#include <cstddef>
#include <cstdint>
#include <string>

#include "directory/directory_files.h"
#include "directory/picture_strip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto bitmap = ReadBitmap(bytes);
  if (!bitmap) return 0;
  if (bitmap->pixels.size() != size_t(bitmap->width) * size_t(bitmap->height)) __builtin_trap();
  for (int iconSize : {kCategoryIconSize, kSiteIconSize, bitmap->height}) {
    const auto icons = SplitStrip(*bitmap, iconSize);
    if (icons && icons->size() != size_t(bitmap->width / iconSize)) __builtin_trap();
  }
  return 0;
}
