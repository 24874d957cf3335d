#include <gtest/gtest.h>

#include <fstream>

#include "platform/caps_lock.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

struct LedRow {
  const char* label;
  const char* led;         // folder name below the LED folder
  const char* brightness;  // contents of its brightness file
  bool on;
};

class CapsLockTest : public ::testing::TestWithParam<LedRow> {};

// A fake /sys/class/leds with a Num Lock LED that is always lit beside the LED under test.
TEST_P(CapsLockTest, ReadsTheCapsLockLedOnly) {
  const LedRow& row = GetParam();
  test::NetTempDir leds;
  for (const auto& [name, value] : {std::pair{"input3::numlock", "1"}, std::pair{row.led, row.brightness}}) {
    std::filesystem::create_directory(leds / name);
    std::ofstream(leds / name / "brightness") << value << "\n";
  }
  EXPECT_EQ(CapsLockOn(leds.path()), row.on);
}

INSTANTIATE_TEST_SUITE_P(Leds, CapsLockTest,
                         ::testing::Values(LedRow{"On", "input3::capslock", "1", true},
                                           LedRow{"FullBrightness", "input7::capslock", "255", true},
                                           LedRow{"Off", "input3::capslock", "0", false},
                                           LedRow{"Unreadable", "input3::capslock", "x", false},
                                           LedRow{"ScrollLockOnly", "input3::scrolllock", "1", false}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CapsLockTest, MissingLedFolderIsOff) {
  test::NetTempDir dir;
  EXPECT_FALSE(CapsLockOn(dir / "no-such-folder"));
}

}  // namespace
}  // namespace nummora
