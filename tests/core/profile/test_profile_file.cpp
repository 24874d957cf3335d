#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/volume_serial.h"
#include "profile/cipher.h"
#include "profile/profile_file.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "nummora-profile-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return text;
}

const ProfileFileOptions kVolumeA{0x1234ABCDu, nullptr};
const ProfileFileOptions kVolumeB{0x1234ABCEu, nullptr};

class RoundTripTest : public ::testing::TestWithParam<size_t> {};

// Around the chunk size of 261120 bytes and well beyond it.
TEST_P(RoundTripTest, DeciphersToTheSameBytesAndKeepsTheLength) {
  TempFolder dir;
  const std::string path = dir.File("alice.nmr");
  const std::string text = Pattern(GetParam());
  EncipherToFile(path, text, "Password1", kVolumeA);
  const std::string stored = ReadBytes(path);
  EXPECT_EQ(stored.size(), text.size());
  if (!text.empty()) {
    EXPECT_NE(stored, text);
  }
  EXPECT_EQ(DecipherFile(path, "Password1", kVolumeA), text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripTest,
                         ::testing::Values(size_t{0}, size_t{13}, size_t{261119}, size_t{261120},
                                           size_t{261121}, size_t{600000}));

TEST(ProfileFileTest, WrongPasswordCaseOrOtherVolumeDoesNotGiveTheDocument) {
  TempFolder dir;
  const std::string path = dir.File("p.nmr");
  const std::string doc = "<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>\r\n<?end>\r\n";
  EncipherToFile(path, doc, "Password", kVolumeA);
  EXPECT_NE(DecipherFile(path, "password", kVolumeA).compare(0, 5, "<?nmr"), 0);
  EXPECT_NE(DecipherFile(path, "Password", kVolumeB).compare(0, 5, "<?nmr"), 0);
  EXPECT_EQ(DecipherFile(path, "Password", kVolumeA), doc);
}

TEST(ProfileFileTest, SameInputsGiveSameBytesAndProfilesShareTheKeyStream) {
  TempFolder dir;
  const std::string text = Pattern(1000);
  EncipherToFile(dir.File("a.nmr"), text, "pw123", kVolumeA);
  EncipherToFile(dir.File("b.nmr"), text, "pw123", kVolumeA);
  EncipherToFile(dir.File("c.nmr"), text, "pw123", kVolumeB);
  EXPECT_EQ(ReadBytes(dir.File("a.nmr")), ReadBytes(dir.File("b.nmr")));
  EXPECT_NE(ReadBytes(dir.File("a.nmr")), ReadBytes(dir.File("c.nmr")));

  // Two different texts under one password: the xor of the files is the xor of the texts.
  const std::string other = Pattern(1000).replace(0, 10, "0123456789");
  EncipherToFile(dir.File("d.nmr"), other, "pw123", kVolumeA);
  const std::string fa = ReadBytes(dir.File("a.nmr")), fd = ReadBytes(dir.File("d.nmr"));
  for (size_t i = 0; i < text.size(); ++i) {
    ASSERT_EQ(fa[i] ^ fd[i], text[i] ^ other[i]) << i;
  }
}

TEST(ProfileFileTest, NewFileIsPrivateAndReplacesTheOldOneWithoutLeftovers) {
  TempFolder dir;
  const std::string path = dir.File("bob.nmr");
  { std::ofstream(path) << "old contents that are longer than the new ones"; }
  ::chmod(path.c_str(), 0644);
  EncipherToFile(path, "<?nmr> <?end>", "pw1", kVolumeA);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 13);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ProfileFileTest, SymbolicLinkIsFollowedAndKept) {
  TempFolder dir;
  fs::create_directory(dir.path() / "real");
  const std::string real = (dir.path() / "real" / "x.nmr").string();
  EncipherToFile(real, "first", "pw1", kVolumeA);
  fs::create_symlink(real, dir.path() / "link.nmr");
  EncipherToFile(dir.File("link.nmr"), "second", "pw1", kVolumeA);
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.nmr"));
  EXPECT_EQ(DecipherFile(real, "pw1", kVolumeA), "second");
  EXPECT_EQ(DecipherFile(dir.File("link.nmr"), "pw1", kVolumeA), "second");
}

TEST(ProfileFileTest, MissingFileIsAFileErrorWithEnoent) {
  TempFolder dir;
  try {
    DecipherFile(dir.File("nobody.nmr"), "pw1", kVolumeA);
    FAIL() << "no error";
  } catch (const EProfileFileError& e) {
    EXPECT_EQ(e.error_number(), ENOENT);
    EXPECT_NE(std::string(e.what()).find("nobody.nmr"), std::string::npos);
  }
}

TEST(ProfileFileTest, KeyFollowsTheVolumeOfTheFolder) {
  TempFolder dir;
  const std::string path = dir.File("v.nmr");
  EncipherToFile(path, "<?nmr> <?end>", "pw1");  // the folder's own serial
  const ProfileFileOptions own{VolumeSerialOf(dir.path().string()), nullptr};
  EXPECT_EQ(DecipherFile(path, "pw1", own), "<?nmr> <?end>");
  EXPECT_EQ(DecipherFile(path, "pw1"), "<?nmr> <?end>");
  const ProfileFileOptions other{own.volume_serial.value() ^ 1u, nullptr};
  EXPECT_NE(DecipherFile(path, "pw1", other), "<?nmr> <?end>");
}

// Every failure point of the replacement is tested with the atomic-write helper; this checks
// that a save goes through it.
TEST(ProfileFileTest, FailedSaveKeepsTheOldProfile) {
  class FailingRename : public FileOps {
   public:
    int Rename(const char*, const char*) override {
      errno = EXDEV;
      return -1;
    }
  } ops;
  TempFolder dir;
  const std::string path = dir.File("carol.nmr");
  EncipherToFile(path, "<?nmr> <?end>", "pw1", kVolumeA);
  ProfileFileOptions options = kVolumeA;
  options.file_ops = &ops;
  try {
    EncipherToFile(path, Pattern(600000), "pw1", options);
    FAIL() << "no error";
  } catch (const EProfileFileError& e) {
    EXPECT_EQ(e.error_number(), EXDEV);
  }
  EXPECT_EQ(DecipherFile(path, "pw1", kVolumeA), "<?nmr> <?end>");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(ProfileFileTest, FolderThatDoesNotExistFailsBeforeAnythingIsWritten) {
  TempFolder dir;
  EXPECT_THROW(EncipherToFile(dir.File("missing/x.nmr"), "t", "pw1", kVolumeA), EProfileFileError);
  // Without a given serial, the serial of a missing folder cannot be had.
  EXPECT_THROW(EncipherToFile(dir.File("missing/x.nmr"), "t", "pw1"), EVolumeSerialError);
}

}  // namespace
}  // namespace nummora
