#include "app/scheme_registration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace nummora {

namespace {

constexpr const char* kMimeType = "x-scheme-handler/nmr";
constexpr const char* kEntryName = "nummora-nmr.desktop";
constexpr std::string_view kDefaultsHeader = "[Default Applications]";
constexpr mode_t kNewListMode = 0600;

// Characters that make a desktop-entry Exec argument need quotes.
constexpr const char* kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Quotes an Exec argument as desktop entries want it when it holds blanks or specials.
std::string QuoteExecArgument(const std::string& arg) {
  if (arg.find_first_of(kReservedInExec) == std::string::npos) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The escapes of a desktop-entry string value, which a reader undoes before the quoting.
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

// The whole file; empty text when it does not exist, nothing when it exists but cannot be read.
std::optional<std::string> ReadExisting(const std::filesystem::path& path) {
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

// Replaces the file, keeping the mode of an existing one.
void WriteKeepingMode(const std::filesystem::path& path, const std::string& text, mode_t newMode) {
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : newMode;
  WriteFileAtomically(path.string(), text, {mode, nullptr});
}

}  // namespace

bool RegisterSchemeEntries(SettingsStore& store, const std::string& executablePath) {
  bool written = false;
  store.SetRootKey(RootKey::ClassesRoot);
  if (store.OpenKey(kNmrKey, true) && !store.KeyExists("DefaultIcon")) {
    store.WriteString("", "URL:Nummora protocol");
    store.WriteString("URL Protocol", "");
    store.OpenKey(std::string(kNmrKey) + "\\DefaultIcon", true);
    store.WriteString("", executablePath);
    store.OpenKey(std::string(kNmrKey) + "\\Shell\\Open\\Command", true);
    store.WriteString("", executablePath + " %1");
    written = true;
  }
  store.CloseKey();
  store.SetRootKey(RootKey::LocalMachine);
  return written;
}

std::string DesktopExecValue(const std::string& executablePath) {
  std::string quoted;
  for (char c : QuoteExecArgument(executablePath)) {
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return EscapeDesktopString(quoted) + " %u";
}

std::string SchemeDesktopEntry(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Nummora\n"
         "Comment=Open nmr payment links\n"
         "Exec=" +
         DesktopExecValue(executablePath) +
         "\n"
         "NoDisplay=true\n"
         "Terminal=false\n"
         "MimeType=" +
         std::string(kMimeType) + ";\n";
}

std::optional<std::string> WithSchemeDefault(const std::string& mimeAppsText, const std::string& entryName) {
  size_t insertAt = std::string::npos;
  bool inDefaults = false;
  for (size_t pos = 0; pos < mimeAppsText.size();) {
    const size_t end = mimeAppsText.find('\n', pos);
    const size_t next = end == std::string::npos ? mimeAppsText.size() : end + 1;
    const std::string_view line =
        Trim(std::string_view(mimeAppsText).substr(pos, next - pos - (end != std::string::npos)));
    if (!line.empty() && line.front() == '[') {
      inDefaults = line == kDefaultsHeader;
      if (inDefaults && insertAt == std::string::npos) insertAt = next;
    } else if (inDefaults) {
      const size_t eq = line.find('=');
      if (eq != std::string_view::npos && SameAsciiText(Trim(line.substr(0, eq)), kMimeType))
        return std::nullopt;
    }
    pos = next;
  }
  const std::string association = std::string(kMimeType) + "=" + entryName + "\n";
  std::string text = mimeAppsText;
  if (!text.empty() && text.back() != '\n') text += '\n';
  if (insertAt == std::string::npos) return text + std::string(kDefaultsHeader) + "\n" + association;
  // Right below the header; a header on the last line has just been given its line end.
  if (insertAt >= mimeAppsText.size()) insertAt = text.size();
  return text.insert(insertAt, association);
}

bool RunsFromInstallation(const std::string& executablePath) {
  const std::filesystem::path folder = std::filesystem::path(executablePath).parent_path();
  if (folder.filename() != "bin") return false;
  const std::optional<std::string> entry =
      ReadExisting(folder.parent_path() / "share" / "applications" / "nummora.desktop");
  return entry && entry->find(std::string(kMimeType) + ";") != std::string::npos;
}

bool InstallSchemeHandler(const std::string& executablePath) {
  try {
    const std::filesystem::path list = MimeAppsListPath();
    // A list that cannot be read is not rewritten: the user's other associations are in it.
    const std::optional<std::string> text = ReadExisting(list);
    if (!text) return false;
    const std::filesystem::path folder = DesktopEntryFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool written = false;
    const std::filesystem::path entry = folder / kEntryName;
    const std::string entryText = SchemeDesktopEntry(executablePath);
    if (ReadExisting(entry) != entryText) {
      WriteKeepingMode(entry, entryText, 0644);
      written = true;
    }
    if (const std::optional<std::string> updated = WithSchemeDefault(*text, kEntryName)) {
      WriteKeepingMode(list, *updated, kNewListMode);
      written = true;
    }
    return written;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace nummora
