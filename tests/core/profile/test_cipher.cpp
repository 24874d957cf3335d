#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/cipher.h"

namespace nummora {
namespace {

struct SuffixCase {
  uint32_t serial;
  const char* suffix;
};

class VolumeKeySuffixTest : public ::testing::TestWithParam<SuffixCase> {};

// serial * 1.6180339887, rounded, + 755, upper-case hex padded to eight digits.
TEST_P(VolumeKeySuffixTest, MatchesTheFixedFormula) {
  EXPECT_EQ(VolumeKeySuffix(GetParam().serial), GetParam().suffix);
}

INSTANTIATE_TEST_SUITE_P(Serials, VolumeKeySuffixTest,
                         ::testing::Values(SuffixCase{0, "000002F3"},           // addend only, zero-padded
                                           SuffixCase{1, "000002F5"},           // 1.618 rounds up to 2
                                           SuffixCase{0x12345678, "1D7498B0"},  // 494179772.553 rounds up
                                           SuffixCase{0xABCDEF01,
                                                      "115FC4666"},  // beyond FFFFFFFF: nine digits
                                           SuffixCase{0xFFFFFFFF, "19E377CAB"}));

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Reference bytes made with the openssl command line tool: MD5 of "secret 1D7498B0", the first
// five bytes followed by eleven zero bytes as an RC4 key, applied to the new-profile document.
TEST(ProfileCipherTest, MatchesIndependentlyComputedKeyAndStream) {
  unsigned char key[16];
  ProfileCipher::DeriveKey("secret", 0x12345678, key);
  EXPECT_EQ(Hex(std::string(reinterpret_cast<char*>(key), 16)), "214c22c3b10000000000000000000000");

  std::string text = "<?nmr> <?end>";
  ProfileCipher cipher("secret", 0x12345678);
  cipher.Apply(text.data(), text.size());
  EXPECT_EQ(Hex(text), "adfb5c9cdec494d454bf42ea4b");
}

TEST(ProfileCipherTest, StreamRunsOnAcrossChunksOfAnySize) {
  std::string text(5000, '\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7 + 3);
  std::string whole = text;
  ProfileCipher one("pw", 42);
  one.Apply(whole.data(), whole.size());

  std::string pieces = text;
  ProfileCipher many("pw", 42);
  const std::vector<size_t> sizes = {0, 1, 2, 255, 1024, 3000, 718};
  size_t offset = 0;
  for (size_t n : sizes) {
    many.Apply(pieces.data() + offset, n);
    offset += n;
  }
  ASSERT_EQ(offset, text.size());
  EXPECT_EQ(pieces, whole);
  EXPECT_NE(whole, text);
}

TEST(ProfileCipherTest, KeyDependsOnPasswordCaseAndVolume) {
  unsigned char base[16], upper[16], other_volume[16];
  ProfileCipher::DeriveKey("Secret", 7, base);
  ProfileCipher::DeriveKey("SECRET", 7, upper);
  ProfileCipher::DeriveKey("Secret", 8, other_volume);
  EXPECT_NE(std::string(reinterpret_cast<char*>(base), 5), std::string(reinterpret_cast<char*>(upper), 5));
  EXPECT_NE(std::string(reinterpret_cast<char*>(base), 5),
            std::string(reinterpret_cast<char*>(other_volume), 5));
  // Only 40 bits are keyed.
  for (int i = 5; i < 16; ++i) EXPECT_EQ(base[i], 0) << i;
}

}  // namespace
}  // namespace nummora
