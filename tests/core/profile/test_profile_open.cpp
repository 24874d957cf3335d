#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "profile/document.h"
#include "profile/profile_open.h"

namespace nummora {
namespace {

class ProfileOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nummora-open-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

const ProfileFileOptions kKey{0xC0FFEEu, nullptr};

TEST_F(ProfileOpenTest, TellsTheOutcomesApart) {
  EncipherToFile(File("new.nmr"), kEmptyProfileDocument, "abc", kKey);
  EncipherToFile(File("cut.nmr"), "<?nmr version=\"4.4\"?>\r\n<Account> <Type>0", "abc", kKey);
  std::ofstream(File("empty.nmr")).close();

  ProfileOpenResult opened = OpenProfileFile(File("new.nmr"), "abc", kKey);
  EXPECT_EQ(opened.status, ProfileOpenStatus::kOpened);
  EXPECT_EQ(opened.text.str(), "<?nmr> <?end>");  // the 13 bytes of a new profile

  struct Case {
    std::string file, password;
    ProfileFileOptions key;
    ProfileOpenStatus status;
  };
  for (const Case& c :
       {Case{"new.nmr", "abC", kKey, ProfileOpenStatus::kWrongPassword},
        Case{"new.nmr", "abc", ProfileFileOptions{0xC0FFEFu, nullptr}, ProfileOpenStatus::kWrongPassword},
        Case{"missing.nmr", "abc", kKey, ProfileOpenStatus::kFileMissing},
        Case{"empty.nmr", "abc", kKey, ProfileOpenStatus::kEmpty},
        Case{"cut.nmr", "abc", kKey, ProfileOpenStatus::kDamaged}}) {
    ProfileOpenResult r = OpenProfileFile(File(c.file), c.password, c.key);
    EXPECT_EQ(r.status, c.status) << c.file << " " << c.password;
    EXPECT_TRUE(r.text.str().empty()) << c.file;
  }
}

TEST_F(ProfileOpenTest, OtherFileErrorsAreThrown) {
  std::filesystem::create_directory(File("folder.nmr"));
  EXPECT_THROW(OpenProfileFile(File("folder.nmr"), "abc", kKey), EProfileFileError);
}

}  // namespace
}  // namespace nummora
