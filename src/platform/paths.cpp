#include "platform/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace nummora {
namespace {

constexpr const char* kAppFolder = "nummora";

std::string EnvOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::filesystem::path HomeFolder() {
  std::string home = EnvOrEmpty("HOME");
  if (!home.empty() && home.front() == '/') return home;
  // No usable $HOME: ask the password database.
  std::vector<char> buffer(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  throw PathError("Cannot find the home folder: HOME is not set");
}

// An XDG variable counts only when it holds an absolute path; otherwise the default applies.
std::filesystem::path XdgBase(const char* variable, const char* defaultBelowHome) {
  std::string value = EnvOrEmpty(variable);
  if (!value.empty() && value.front() == '/') return value;
  return HomeFolder() / defaultBelowHome;
}

std::filesystem::path Resolve(const char* homeSub, const char* xdgVariable, const char* xdgDefault,
                              bool create) {
  std::filesystem::path folder;
  std::string home = EnvOrEmpty("NUMMORA_HOME");
  if (!home.empty()) {
    folder = std::filesystem::absolute(home) / homeSub;
  } else {
    folder = XdgBase(xdgVariable, xdgDefault) / kAppFolder;
  }
  folder = folder.lexically_normal();
  if (create) CreatePrivateFolder(folder);
  return folder;
}

}  // namespace

std::filesystem::path RuntimeFolder() {
  const std::string runtime = EnvOrEmpty("XDG_RUNTIME_DIR");
  // The instance socket and lock live there, so the folder must be the user's own and closed
  // to others: otherwise another user could take the socket's name first and be handed links.
  struct stat st {};
  if (!runtime.empty() && runtime.front() == '/' && ::lstat(runtime.c_str(), &st) == 0 &&
      S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0)
    return runtime;
  return ConfigFolder(true);
}

std::filesystem::path DesktopEntryFolder() {
  const std::string home = EnvOrEmpty("NUMMORA_HOME");
  if (!home.empty()) return std::filesystem::absolute(home) / "applications";
  return XdgBase("XDG_DATA_HOME", ".local/share") / "applications";
}

std::filesystem::path MimeAppsListPath() {
  const std::string home = EnvOrEmpty("NUMMORA_HOME");
  if (!home.empty()) return std::filesystem::absolute(home) / "mimeapps.list";
  return XdgBase("XDG_CONFIG_HOME", ".config") / "mimeapps.list";
}

std::filesystem::path AutostartFolder() {
  const std::string home = EnvOrEmpty("NUMMORA_HOME");
  if (!home.empty()) return std::filesystem::absolute(home) / "autostart";
  return XdgBase("XDG_CONFIG_HOME", ".config") / "autostart";
}

void CreatePrivateFolder(const std::filesystem::path& folder) {
  std::filesystem::path path = folder.lexically_normal();
  if (path.empty()) throw PathError("Cannot create a folder with an empty name");
  // Walk from the top, creating what is missing; existing parents are left as they are.
  std::filesystem::path partial;
  for (const auto& part : path) {
    partial /= part;
    if (part.empty() || part == "/") continue;
    struct stat st {};
    if (::stat(partial.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) throw PathError("Not a folder: " + partial.string());
      continue;
    }
    if (::mkdir(partial.c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;  // made at the same moment by another process
      throw PathError("Cannot create folder " + partial.string() + ": " + std::strerror(errno));
    }
    // mkdir honours the umask, which can only take bits away from 0700; make it exact.
    if (::chmod(partial.c_str(), 0700) != 0)
      throw PathError("Cannot set the mode of " + partial.string() + ": " + std::strerror(errno));
  }
}

std::filesystem::path ConfigFolder(bool create) {
  return Resolve("config", "XDG_CONFIG_HOME", ".config", create);
}

std::filesystem::path DataFolder(bool create) {
  return Resolve("data", "XDG_DATA_HOME", ".local/share", create);
}

std::filesystem::path CacheFolder(bool create) {
  return Resolve("cache", "XDG_CACHE_HOME", ".cache", create);
}

}  // namespace nummora
