#include "platform/ini_file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"

namespace nummora {
namespace {

constexpr size_t kMaxFileSize = 16u * 1024 * 1024;

[[noreturn]] void ThrowReadError(const std::filesystem::path& file, int error_number) {
  throw IniError("Cannot read " + file.string() + ": " + std::strerror(error_number));
}

}  // namespace

IniFile LoadIniFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return IniFile();
    ThrowReadError(file, errno);
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error_number = errno;
      ::close(fd);
      ThrowReadError(file, error_number);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
    if (text.size() > kMaxFileSize) {
      ::close(fd);
      throw IniError("File too large: " + file.string());
    }
  }
  ::close(fd);
  return IniFile::Parse(text);
}

void SaveIniFile(const std::filesystem::path& file, const IniFile& ini) {
  try {
    WriteFileAtomically(file.string(), ini.ToText());
  } catch (const AtomicFileError& e) {
    throw IniError(e.what());
  }
}

}  // namespace nummora
