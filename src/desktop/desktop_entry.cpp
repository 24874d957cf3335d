#include "desktop/desktop_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/atomic_file.h"

namespace nummora {

namespace {
// Characters that make an Exec argument need quotes.
constexpr const char* kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

std::string QuoteExecArgument(const std::string& arg) {
  if (arg.find_first_of(kReservedInExec) == std::string::npos) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The escapes of a string value, which a reader undoes before it reads the quoting.
std::string EscapeDesktopString(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}
}  // namespace

std::string DesktopExecProgram(const std::string& executablePath) {
  std::string quoted;
  for (char c : QuoteExecArgument(executablePath)) {
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return EscapeDesktopString(quoted);
}

std::optional<std::string> ReadDesktopFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
  std::string text;
  char buffer[8192];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (n < 0) return std::nullopt;
  return text;
}

void WriteDesktopFile(const std::filesystem::path& path, const std::string& text, mode_t newMode) {
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : newMode;
  WriteFileAtomically(path.string(), text, {mode, nullptr});
}

}  // namespace nummora
