// A save killed at any moment leaves a profile that opens, holding the old or the new content:
// a child process saves two large profiles in turn, over and over, and is killed with SIGKILL
// after a random delay; the file is opened after each kill. The next save clears what the
// killed ones left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"

namespace nummora {
namespace {

const ProfileFileOptions kKey{0x5AFEu, nullptr};

std::string LargeDocument(char fill) {
  std::string text = "<?nmr version=\"4.4\"?>\r\n";
  for (int i = 0; i < 4000; ++i) text += "<Contact><Name>" + std::string(40, fill) + "</Name></Contact>\r\n";
  return text + "<?end>";
}

TEST(SaveCrashTest, AKilledSaveLeavesTheOldOrTheNewProfile) {
  char pattern[] = "/tmp/nummora-crash-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern, path = dir + "/big.nmr";
  const std::string a = LargeDocument('a'), b = LargeDocument('b');
  // The saves alternate between the two file formats: a in the strong one, b in the legacy one.
  ProfileKey strong("secret", ProfileFormat::kStrong, kMinKdfParams),
      legacy("secret", ProfileFormat::kLegacy);
  WriteProfileFile(path, a, strong, kKey);  // derives the key the saves below reuse

  // How long one save takes, so that the kills land before, inside and after saves.
  const auto start = std::chrono::steady_clock::now();
  EncipherToFile(path, b, "secret", kKey);
  const auto save =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  std::mt19937 random(20261209);
  std::uniform_int_distribution<long> delay(0, 3 * save.count() + 1000);

  int sawA = 0, sawB = 0;
  for (int round = 0; round < 200; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) WriteProfileFile(path, i % 2 ? a : b, i % 2 ? strong : legacy, kKey);
    }
    ::usleep(static_cast<useconds_t>(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    ProfileOpenResult opened = OpenProfileFile(path, "secret", kKey);
    ASSERT_EQ(opened.status, ProfileOpenStatus::kOpened) << "round " << round;
    const std::string& text = opened.text.str();
    ASSERT_TRUE(text == a || text == b) << "round " << round << ": " << text.size() << " bytes";
    (text == a ? sawA : sawB)++;
  }
  // Both contents were seen, so the kills did land while saves were under way.
  EXPECT_GT(sawA, 0);
  EXPECT_GT(sawB, 0);

  // The new files the killed saves left are removed by the next save, but not one that a
  // running save still holds.
  AtomicFileWriter running(path);
  EncipherToFile(path, a, "secret", kKey);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) left.push_back(entry.path().string());
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected{path, running.temp()};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace nummora
