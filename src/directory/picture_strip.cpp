#include "directory/picture_strip.h"

#include <cstdint>

namespace nummora {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;
constexpr size_t kFileHeader = 14;
constexpr uint32_t kCompressionNone = 0;

uint32_t U16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

// One pixel of a row: a palette index for 1, 4 and 8 bits, BGR(X) bytes otherwise.
uint32_t PixelOf(const uint8_t* row, int x, int bits, const std::vector<uint32_t>& palette) {
  uint32_t index = 0;
  switch (bits) {
    case 1:
      index = (row[x / 8] >> (7 - x % 8)) & 1u;
      break;
    case 4:
      index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu;
      break;
    case 8:
      index = row[x];
      break;
    default: {
      const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
      return kOpaque | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
  }
  return palette[index];
}

}  // namespace

std::optional<RgbaImage> ReadBitmap(const std::string& b) {
  if (b.size() < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const uint32_t dataOffset = U32(b, 10);
  const uint32_t infoSize = U32(b, 14);
  if (infoSize < 40 || kFileHeader + infoSize > b.size()) return std::nullopt;
  const int32_t width = static_cast<int32_t>(U32(b, 18));
  const int32_t rawHeight = static_cast<int32_t>(U32(b, 22));
  const uint32_t planes = U16(b, 26);
  const int bits = static_cast<int>(U16(b, 28));
  const uint32_t compression = U32(b, 30);
  uint32_t colours = U32(b, 46);
  if (planes != 1 || compression != kCompressionNone) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return std::nullopt;
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -int64_t(rawHeight) : rawHeight;
  if (int64_t(width) * height > kMaxStripPixels) return std::nullopt;

  std::vector<uint32_t> palette;
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (colours == 0 || colours > most) colours = most;
    const size_t at = kFileHeader + infoSize;
    if (at + size_t(colours) * 4 > b.size()) return std::nullopt;
    for (uint32_t i = 0; i < colours; ++i) {
      const size_t p = at + size_t(i) * 4;
      palette.push_back(kOpaque | (uint32_t(uint8_t(b[p + 2])) << 16) | (uint32_t(uint8_t(b[p + 1])) << 8) |
                        uint8_t(b[p]));
    }
    // Indices past a short palette show black, as they do on Windows.
    palette.resize(most, kOpaque);
  }

  const size_t rowBytes = ((size_t(width) * bits + 31) / 32) * 4;
  if (dataOffset > b.size() || (b.size() - dataOffset) / rowBytes < size_t(height)) return std::nullopt;

  RgbaImage image;
  image.width = width;
  image.height = static_cast<int>(height);
  image.pixels.resize(size_t(width) * size_t(height));
  for (int y = 0; y < image.height; ++y) {
    const size_t stored = topDown ? size_t(y) : size_t(height - 1 - y);
    const auto* row = reinterpret_cast<const uint8_t*>(b.data() + dataOffset + stored * rowBytes);
    for (int x = 0; x < width; ++x)
      image.pixels[size_t(y) * size_t(width) + size_t(x)] = PixelOf(row, x, bits, palette);
  }
  return image;
}

std::optional<std::vector<RgbaImage>> SplitStrip(const RgbaImage& strip, int size) {
  if (size <= 0 || strip.height != size || strip.width < size) return std::nullopt;
  const uint32_t transparent = strip.At(0, strip.height - 1);
  std::vector<RgbaImage> icons;
  for (int left = 0; left + size <= strip.width; left += size) {
    RgbaImage icon;
    icon.width = size;
    icon.height = size;
    icon.pixels.reserve(size_t(size) * size_t(size));
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint32_t pixel = strip.At(left + x, y);
        icon.pixels.push_back(pixel == transparent ? (pixel & 0x00FFFFFFu) : pixel);
      }
    icons.push_back(std::move(icon));
  }
  return icons;
}

}  // namespace nummora
