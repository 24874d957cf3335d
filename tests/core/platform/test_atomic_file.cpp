#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/atomic_file.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;
using test::NetTempDir;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t EntriesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

enum class Call { kCreate, kFchmod, kWrite, kFsync, kClose, kRename, kSyncFolder };

// Real system calls, recorded in order; one chosen call fails with a chosen errno, either
// every time or (for EINTR) once. A write may also fail only after some bytes have gone.
class ScriptedOps : public FileOps {
 public:
  ScriptedOps(Call call, int error, size_t write_after = 0)
      : call_(call), error_(error), after_(write_after) {}
  int CreateTemp(char* p) override {
    return Run(Call::kCreate, [&] { return FileOps::CreateTemp(p); });
  }
  int Fchmod(int fd, mode_t m) override {
    return Run(Call::kFchmod, [&] { return FileOps::Fchmod(fd, m); });
  }
  ssize_t Write(int fd, const void* d, size_t n) override {
    if (call_ == Call::kWrite && written_ < after_) {
      // Short writes until the failure point.
      const ssize_t done = FileOps::Write(fd, d, std::min<size_t>(n, 1000));
      if (done > 0) written_ += static_cast<size_t>(done);
      return done;
    }
    return Run(Call::kWrite, [&] { return FileOps::Write(fd, d, n); });
  }
  int Fsync(int fd) override {
    return Run(Call::kFsync, [&] { return FileOps::Fsync(fd); });
  }
  int Close(int fd) override {
    // Like Linux: the descriptor is released even when close reports a failure.
    const bool fails = Fails(Call::kClose);
    log.push_back(Call::kClose);
    FileOps::Close(fd);
    if (fails) errno = error_;
    return fails ? -1 : 0;
  }
  int Rename(const char* a, const char* b) override {
    return Run(Call::kRename, [&] { return FileOps::Rename(a, b); });
  }
  int SyncFolder(const char* f) override {
    return Run(Call::kSyncFolder, [&] { return FileOps::SyncFolder(f); });
  }

  std::vector<Call> log;

 private:
  bool Fails(Call call) {
    if (call != call_ || (error_ == EINTR && failed_)) return false;
    failed_ = true;
    return true;
  }
  template <typename F>
  auto Run(Call call, F real) -> decltype(real()) {
    if (Fails(call)) {
      log.push_back(call);
      errno = error_;
      return -1;
    }
    log.push_back(call);
    return real();
  }

  Call call_;
  int error_;
  size_t after_;
  size_t written_ = 0;
  bool failed_ = false;
};

std::string Pattern(size_t size) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return text;
}

struct FailureRow {
  const char* label;
  Call call;
  int error;
  size_t write_after;
};

class AtomicFileFailureTest : public ::testing::TestWithParam<FailureRow> {};

TEST_P(AtomicFileFailureTest, LeavesTheOldFileIntactAndNoNewFileBehind) {
  const FailureRow& row = GetParam();
  NetTempDir dir;
  const std::string path = (dir / "data.bin").string();
  WriteFileAtomically(path, "old contents");
  ScriptedOps ops(row.call, row.error, row.write_after);
  try {
    WriteFileAtomically(path, Pattern(300000), {0600, &ops});
    FAIL() << "no error";
  } catch (const AtomicFileError& e) {
    EXPECT_EQ(e.error_number(), row.error);
  }
  EXPECT_EQ(ReadBytes(path), "old contents");
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "a new file was left in the folder";
}

INSTANTIATE_TEST_SUITE_P(Points, AtomicFileFailureTest,
                         ::testing::Values(FailureRow{"Create", Call::kCreate, EACCES, 0},
                                           FailureRow{"Fchmod", Call::kFchmod, EPERM, 0},
                                           FailureRow{"WriteAtStart", Call::kWrite, ENOSPC, 0},
                                           FailureRow{"ShortWritesThenError", Call::kWrite, EIO, 70000},
                                           FailureRow{"Fsync", Call::kFsync, EIO, 0},
                                           FailureRow{"Close", Call::kClose, EIO, 0},
                                           FailureRow{"Rename", Call::kRename, EXDEV, 0}),
                         [](const auto& info) { return std::string(info.param.label); });

class AtomicFileInterruptTest : public ::testing::TestWithParam<Call> {};

// A signal that interrupts a call (a timer, SIGCHLD, a terminal resize) does not fail the write.
TEST_P(AtomicFileInterruptTest, InterruptedCallIsRepeated) {
  NetTempDir dir;
  const std::string path = (dir / "data.bin").string();
  const std::string text = Pattern(5000);
  ScriptedOps ops(GetParam(), EINTR);
  WriteFileAtomically(path, text, {0600, &ops});
  EXPECT_EQ(ReadBytes(path), text);
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(Calls, AtomicFileInterruptTest,
                         ::testing::Values(Call::kCreate, Call::kFchmod, Call::kWrite, Call::kFsync,
                                           Call::kClose, Call::kRename));

TEST(AtomicFileTest, FileIsFlushedBeforeTheRenameAndTheFolderAfterIt) {
  NetTempDir dir;
  ScriptedOps ops(Call::kSyncFolder, EIO);  // a folder that cannot be flushed
  WriteFileAtomically((dir / "a").string(), "new", {0600, &ops});
  EXPECT_EQ(ReadBytes(dir / "a"), "new");  // in place: not reported as a failed write
  const std::vector<Call> order = {Call::kCreate, Call::kFchmod, Call::kWrite,     Call::kFsync,
                                   Call::kClose,  Call::kRename, Call::kSyncFolder};
  EXPECT_EQ(ops.log, order);
}

TEST(AtomicFileTest, ModeIsOwnerOnlyUnlessGivenWhateverTheOldFileHad) {
  NetTempDir dir;
  const fs::path file = dir / "f";
  { std::ofstream(file) << "old"; }
  ::chmod(file.c_str(), 0666);
  const mode_t old_mask = ::umask(0077);
  WriteFileAtomically(file.string(), "one");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  WriteFileAtomically(file.string(), "two", {0644, nullptr});
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  ::umask(old_mask);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(AtomicFileTest, SymbolicLinksAreFollowedAndKept) {
  NetTempDir dir;
  fs::create_directory(dir / "real");
  { std::ofstream(dir / "real" / "list") << "old"; }
  fs::create_symlink("real/list", dir / "link");
  WriteFileAtomically((dir / "link").string(), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(ReadBytes(dir / "real" / "list"), "new");

  // A link to a file that does not exist yet creates that file.
  fs::create_symlink("real/later", dir / "dangling");
  WriteFileAtomically((dir / "dangling").string(), "made");
  EXPECT_TRUE(fs::is_symlink(dir / "dangling"));
  EXPECT_EQ(ReadBytes(dir / "real" / "later"), "made");
}

TEST(AtomicFileTest, ShortWritesAreCompleted) {
  NetTempDir dir;
  const std::string text = Pattern(300000);
  ScriptedOps ops(Call::kWrite, 0, SIZE_MAX);  // at most 1000 bytes a call, never failing
  WriteFileAtomically((dir / "s").string(), text, {0600, &ops});
  EXPECT_EQ(ReadBytes(dir / "s"), text);
}

TEST(AtomicFileTest, WriterDroppedBeforeCommitLeavesNothing) {
  NetTempDir dir;
  {
    AtomicFileWriter writer((dir / "x").string());
    writer.Write("abc", 3);
  }
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

}  // namespace
}  // namespace nummora
