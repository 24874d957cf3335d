#pragma once
// Where Nummora keeps its files: the configuration folder (settings store, servers.ini), the
// data folder (profile files) and the cache folder (directory cache). They follow the XDG base
// directory rules; NUMMORA_HOME, when set, puts all three under one folder (used by tests and
// portable installs).
#include <filesystem>
#include <stdexcept>
#include <string>

namespace nummora {

class PathError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The three folders. When `create` is true a missing folder is created, with mode 0700 for
// every folder made on the way; a failure throws PathError. The answer is absolute.
std::filesystem::path ConfigFolder(bool create = true);
std::filesystem::path DataFolder(bool create = true);
std::filesystem::path CacheFolder(bool create = true);

// Creates `folder` and its missing parents with mode 0700. Throws PathError on failure or when
// the path exists but is not a folder.
void CreatePrivateFolder(const std::filesystem::path& folder);

}  // namespace nummora
