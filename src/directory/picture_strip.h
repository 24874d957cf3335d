#pragma once
// The directory's picture strips: a Windows bitmap holding square icons side by side. The file
// comes from the vendor's web service, so the reader takes any bytes: it accepts uncompressed
// bitmaps of 1, 4, 8, 24 or 32 bits per pixel (bottom-up or top-down) and refuses everything
// else, without reading outside the data it was given.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nummora {

// Pixels as 0xAARRGGBB, rows from the top.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Pictures larger than this many pixels are refused (a strip is one row of small icons).
inline constexpr int64_t kMaxStripPixels = 4 * 1024 * 1024;

// The bitmap in `bytes`, every pixel opaque; nothing when it is not a bitmap this reader takes.
std::optional<RgbaImage> ReadBitmap(const std::string& bytes);

// Cuts a strip `size` pixels high into size-by-size icons, left to right; a rest narrower than
// an icon is dropped. The colour of the strip's bottom-left pixel becomes transparent. Nothing
// when the strip is not exactly `size` pixels high or narrower than one icon.
std::optional<std::vector<RgbaImage>> SplitStrip(const RgbaImage& strip, int size);

}  // namespace nummora
