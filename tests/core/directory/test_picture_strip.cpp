// The picture strips: bitmaps read in the forms Windows writes them, strips cut into icons with
// the bottom-left colour transparent, and anything else refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "directory/picture_strip.h"

namespace nummora {
namespace {

void Put16(std::string& b, uint32_t v) {
  b += char(v & 0xFF);
  b += char((v >> 8) & 0xFF);
}
void Put32(std::string& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A bitmap of `bits` per pixel whose pixel (x, y from the top) is pixel(x, y) as 0xRRGGBB; 8-bit
// ones use a grey palette (index = value & 0xFF).
template <typename Pixel>
std::string Bitmap(int width, int height, int bits, bool topDown, Pixel pixel) {
  const size_t rowBytes = ((size_t(width) * bits + 31) / 32) * 4;
  const uint32_t paletteBytes = bits == 8 ? 256 * 4 : 0;
  std::string data;
  for (int stored = 0; stored < height; ++stored) {
    const int y = topDown ? stored : height - 1 - stored;
    std::string row;
    for (int x = 0; x < width; ++x) {
      const uint32_t rgb = pixel(x, y);
      if (bits == 8) {
        row += char(rgb & 0xFF);
      } else {
        row += char(rgb & 0xFF);
        row += char((rgb >> 8) & 0xFF);
        row += char((rgb >> 16) & 0xFF);
        if (bits == 32) row += '\0';
      }
    }
    row.resize(rowBytes, '\0');
    data += row;
  }
  std::string b = "BM";
  Put32(b, 54 + paletteBytes + uint32_t(data.size()));
  Put32(b, 0);
  Put32(b, 54 + paletteBytes);
  Put32(b, 40);
  Put32(b, uint32_t(width));
  Put32(b, uint32_t(topDown ? -height : height));
  Put16(b, 1);
  Put16(b, uint32_t(bits));
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (uint32_t i = 0; i < paletteBytes / 4; ++i) {
    b += char(i);
    b += char(i);
    b += char(i);
    b += '\0';
  }
  return b + data;
}

uint32_t Pattern(int x, int y) {
  return uint32_t((x * 7 + y * 3) & 0xFF) * 0x010101u;
}

struct FormCase {
  int bits;
  bool topDown;
};
class BitmapForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(BitmapForms, PixelsReadFromTheTopLeft) {
  const auto image = ReadBitmap(Bitmap(5, 3, GetParam().bits, GetParam().topDown, Pattern));
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 5);
  ASSERT_EQ(image->height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(image->At(x, y), 0xFF000000u | Pattern(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Forms, BitmapForms,
                         ::testing::Values(FormCase{24, false}, FormCase{24, true}, FormCase{32, false},
                                           FormCase{8, false}, FormCase{8, true}));

TEST(PictureStrip, IconsLeftToRightWithTheBottomLeftColourTransparent) {
  // Three 4-pixel icons; icon i is filled with colour i + 1, the bottom-left pixel is magenta
  // and so is one pixel in the middle of icon 2.
  const auto strip = ReadBitmap(Bitmap(14, 4, 24, false, [](int x, int y) -> uint32_t {
    if ((x == 0 && y == 3) || (x == 9 && y == 1)) return 0xFF00FF;
    return uint32_t(x / 4 + 1);
  }));
  ASSERT_TRUE(strip);
  const auto icons = SplitStrip(*strip, 4);
  ASSERT_TRUE(icons);
  ASSERT_EQ(icons->size(), 3u);  // the 2 pixels left over are no icon
  EXPECT_EQ((*icons)[1].At(0, 0), 0xFF000002u);
  EXPECT_EQ((*icons)[2].At(1, 1) >> 24, 0u);
  EXPECT_EQ((*icons)[0].At(0, 3) >> 24, 0u);
  EXPECT_EQ((*icons)[0].At(1, 3), 0xFF000001u);
}

TEST(PictureStrip, RefusesWhatIsNoStripOfTheSize) {
  const std::string good = Bitmap(32, 16, 24, false, Pattern);
  ASSERT_TRUE(ReadBitmap(good));
  EXPECT_FALSE(SplitStrip(*ReadBitmap(good), 50));                                // wrong height
  EXPECT_FALSE(SplitStrip(*ReadBitmap(Bitmap(10, 16, 24, false, Pattern)), 16));  // narrower than an icon
  EXPECT_FALSE(ReadBitmap(good.substr(0, good.size() - 1)));                      // cut short
  EXPECT_FALSE(ReadBitmap("GIF89a" + good.substr(6)));                            // not a bitmap
  std::string compressed = good;
  compressed[30] = 1;  // run-length encoded
  EXPECT_FALSE(ReadBitmap(compressed));
  std::string huge = good;
  huge[18] = huge[19] = huge[20] = char(0xFF);  // width of 16 million pixels
  huge[21] = 0;
  EXPECT_FALSE(ReadBitmap(huge));
  EXPECT_FALSE(ReadBitmap(""));
}

}  // namespace
}  // namespace nummora
