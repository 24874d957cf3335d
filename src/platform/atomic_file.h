#pragma once
// Replacing a file so that a reader (or a crash) sees either the old contents or the new ones,
// never a mixture: the text goes to a new file in the same folder, created readable by its
// owner only (or with a given mode), which is flushed to disk and renamed over the old file;
// then the folder is flushed, so that the rename itself survives a power loss. Any failure on
// the way removes the new file and leaves the old one as it was.
//
// A symbolic link at the path is followed: the file it points to is replaced and the link
// stays. System calls interrupted by a signal are repeated. A writer holds a lock on its new
// file until it is renamed or removed; each new writer removes the new files of the same target
// that nobody holds, which a save killed half-way leaves behind.
#include <sys/types.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace nummora {

// A file could not be written. `error_number` is the errno value of the failed call.
class AtomicFileError : public std::runtime_error {
 public:
  AtomicFileError(const std::string& message, int error_number)
      : std::runtime_error(message), error_number_(error_number) {}
  int error_number() const { return error_number_; }

 private:
  int error_number_;
};

// The system calls used for writing; tests replace them to make a write fail at a chosen
// point. Each returns what the system call returns and sets errno on failure.
class FileOps {
 public:
  virtual ~FileOps() = default;
  virtual int CreateTemp(char* pattern);  // mkostemp(pattern, O_CLOEXEC)
  virtual int Fchmod(int fd, mode_t mode);
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual int Fsync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const char* from, const char* to);
  // Opens the folder and flushes it.
  virtual int SyncFolder(const char* folder);
};

struct AtomicWriteOptions {
  mode_t mode = 0600;
  // System calls; nullptr for the real ones.
  FileOps* ops = nullptr;
};

// Writes a new file in pieces and puts it in place on Commit. Destroying the writer before
// Commit (or after a failed one) removes the new file.
class AtomicFileWriter {
 public:
  // Creates the new file beside the file that `path` names. Throws AtomicFileError.
  explicit AtomicFileWriter(const std::string& path, const AtomicWriteOptions& options = {});
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Appends bytes; short writes are completed. Throws AtomicFileError.
  void Write(const void* data, size_t size);
  // Flushes the new file, renames it over the old one and flushes the folder. A failure to
  // flush the folder is not reported: the new file is in place by then. Throws AtomicFileError.
  void Commit();

  // The file that is replaced (the path with symbolic links followed).
  const std::string& target() const { return target_; }
  // The name of the new file while it is being written (empty after a failure removed it).
  const std::string& temp() const { return temp_; }

 private:
  [[noreturn]] void Fail(const char* what, const std::string& subject, int error_number);
  // Locks the new file on a descriptor of its own; false when it is no longer in the folder.
  bool HoldTemp();
  void ReleaseTemp();

  FileOps default_ops_;
  FileOps& ops_;
  std::string target_;
  std::string folder_;
  std::string temp_;
  int fd_ = -1;
  int lock_fd_ = -1;
  bool committed_ = false;
};

// The whole of `contents` written with an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view contents,
                         const AtomicWriteOptions& options = {});

// The file a write to `path` replaces: a symbolic link is followed (to the end of a chain of
// links, also when the last one points to a file that does not exist yet).
std::string ResolveWriteTarget(const std::string& path);

}  // namespace nummora
