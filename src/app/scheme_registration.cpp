#include "app/scheme_registration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/settings_store.h"

namespace nummora {

namespace {

constexpr const char* kMimeType = "x-scheme-handler/nmr";
constexpr const char* kEntryName = "nummora-nmr.desktop";

// Quotes an Exec argument as desktop entries want it when it holds blanks or specials.
std::string QuoteExecArgument(const std::string& arg) {
  if (arg.find_first_of(" \t\"'\\><~|&;$*?#()`") == std::string::npos) return arg;
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::string& text, mode_t mode) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::string temp = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0;
  std::size_t done = 0;
  while (ok && done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
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

std::string SchemeDesktopEntry(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Nummora\n"
         "Comment=Open nmr payment links\n"
         "Exec=" +
         QuoteExecArgument(executablePath) +
         " %u\n"
         "NoDisplay=true\n"
         "Terminal=false\n"
         "MimeType=" +
         std::string(kMimeType) + ";\n";
}

bool InstallSchemeHandler(const std::string& executablePath) {
  try {
    const std::filesystem::path list = MimeAppsListPath();
    std::string text = ReadFile(list);
    // Already handled: some application (ours or another) is the user's default for nmr links.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(std::string(kMimeType) + "=", 0) == 0) return false;
    }
    if (!WriteFileAtomically(DesktopEntryFolder() / kEntryName, SchemeDesktopEntry(executablePath), 0644))
      return false;
    const std::string association = std::string(kMimeType) + "=" + kEntryName + "\n";
    const std::string section = "[Default Applications]";
    const std::size_t at = text.find(section + "\n");
    if (at != std::string::npos) {
      text.insert(at + section.size() + 1, association);
    } else {
      if (!text.empty() && text.back() != '\n') text += '\n';
      text += section + "\n" + association;
    }
    return WriteFileAtomically(list, text, 0600);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace nummora
