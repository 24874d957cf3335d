#include "desktop/link_handler.h"

#include <sys/types.h>

#include <cctype>
#include <filesystem>
#include <string_view>

#include "desktop/desktop_entry.h"
#include "platform/paths.h"

namespace nummora {

namespace {

constexpr const char* kMimeType = "x-scheme-handler/nmr";
constexpr const char* kEntryName = "nummora-nmr.desktop";
constexpr std::string_view kDefaultsHeader = "[Default Applications]";
constexpr mode_t kNewListMode = 0600;

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

}  // namespace

std::string DesktopExecValue(const std::string& executablePath) {
  return DesktopExecProgram(executablePath) + " %u";
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
      ReadDesktopFile(folder.parent_path() / "share" / "applications" / "nummora.desktop");
  return entry && entry->find(std::string(kMimeType) + ";") != std::string::npos;
}

bool InstallSchemeHandler(const std::string& executablePath) {
  try {
    const std::filesystem::path list = MimeAppsListPath();
    // A list that cannot be read is not rewritten: the user's other associations are in it.
    const std::optional<std::string> text = ReadDesktopFile(list);
    if (!text) return false;
    const std::filesystem::path folder = DesktopEntryFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool written = false;
    const std::filesystem::path entry = folder / kEntryName;
    const std::string entryText = SchemeDesktopEntry(executablePath);
    if (ReadDesktopFile(entry) != entryText) {
      WriteDesktopFile(entry, entryText, 0644);
      written = true;
    }
    if (const std::optional<std::string> updated = WithSchemeDefault(*text, kEntryName)) {
      WriteDesktopFile(list, *updated, kNewListMode);
      written = true;
    }
    return written;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace nummora
