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

// System calls that fail at a chosen point, as a full disk or an I/O error would.
class FailingOps : public FileOps {
 public:
  enum class Where { kWriteAtStart, kWriteHalfWay, kShortWritesThenError, kFsync, kRename };
  explicit FailingOps(Where where) : where_(where) {}
  ssize_t Write(int fd, const void* data, size_t size) override {
    switch (where_) {
      case Where::kWriteAtStart:
        errno = ENOSPC;
        return -1;
      case Where::kWriteHalfWay:
        if (written_ >= 300000) {
          errno = ENOSPC;
          return -1;
        }
        break;
      case Where::kShortWritesThenError:
        if (written_ >= 70000) {
          errno = EIO;
          return -1;
        }
        size = std::min<size_t>(size, 1000);
        break;
      default:
        break;
    }
    ssize_t n = FileOps::Write(fd, data, size);
    if (n > 0) written_ += static_cast<size_t>(n);
    return n;
  }
  int Fsync(int fd) override {
    if (where_ == Where::kFsync) {
      errno = EIO;
      return -1;
    }
    return FileOps::Fsync(fd);
  }
  int Rename(const char* from, const char* to) override {
    if (where_ == Where::kRename) {
      errno = EXDEV;
      return -1;
    }
    return FileOps::Rename(from, to);
  }
  size_t written() const { return written_; }

 private:
  Where where_;
  size_t written_ = 0;
};

class FailedSaveTest : public ::testing::TestWithParam<FailingOps::Where> {};

TEST_P(FailedSaveTest, LeavesTheOldFileIntactAndNoNewFileBehind) {
  TempFolder dir;
  const std::string path = dir.File("carol.nmr");
  const std::string old_text =
      "<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>\r\n<Rates>old</Rates>\r\n<?end>\r\n";
  EncipherToFile(path, old_text, "pw1", kVolumeA);
  const std::string old_bytes = ReadBytes(path);

  FailingOps ops(GetParam());
  ProfileFileOptions options = kVolumeA;
  options.file_ops = &ops;
  EXPECT_THROW(EncipherToFile(path, Pattern(600000), "pw1", options), EProfileFileError);

  EXPECT_EQ(ReadBytes(path), old_bytes);
  EXPECT_EQ(DecipherFile(path, "pw1", kVolumeA), old_text);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "a half-written new file was left in the folder";
  if (GetParam() == FailingOps::Where::kWriteHalfWay) {
    EXPECT_GE(ops.written(), 300000u);
  }
}

INSTANTIATE_TEST_SUITE_P(Failures, FailedSaveTest,
                         ::testing::Values(FailingOps::Where::kWriteAtStart, FailingOps::Where::kWriteHalfWay,
                                           FailingOps::Where::kShortWritesThenError,
                                           FailingOps::Where::kFsync, FailingOps::Where::kRename));

TEST(ProfileFileTest, ShortWritesAreCompleted) {
  class ShortOps : public FileOps {
   public:
    ssize_t Write(int fd, const void* data, size_t size) override {
      return FileOps::Write(fd, data, std::min<size_t>(size, 777));
    }
  } ops;
  TempFolder dir;
  const std::string path = dir.File("s.nmr");
  const std::string text = Pattern(300000);
  ProfileFileOptions options = kVolumeA;
  options.file_ops = &ops;
  EncipherToFile(path, text, "pw1", options);
  EXPECT_EQ(DecipherFile(path, "pw1", kVolumeA), text);
}

TEST(ProfileFileTest, FolderThatDoesNotExistFailsBeforeAnythingIsWritten) {
  TempFolder dir;
  EXPECT_THROW(EncipherToFile(dir.File("missing/x.nmr"), "t", "pw1", kVolumeA), EProfileFileError);
  // Without a given serial, the serial of a missing folder cannot be had.
  EXPECT_THROW(EncipherToFile(dir.File("missing/x.nmr"), "t", "pw1"), EVolumeSerialError);
}

}  // namespace
}  // namespace nummora
