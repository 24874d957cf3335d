#pragma once
// Where Nummora keeps its files: the configuration folder (settings store, servers.ini), the
// data folder (profile files) and the cache folder (directory cache). They follow the XDG base
// directory rules; NUMMORA_HOME, when set, puts all three under one folder (used by tests and
// portable installs).
#include <filesystem>
#include <string>

#include "common/errors.h"

namespace nummora {

class PathError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// The three folders. When `create` is true a missing folder is created, with mode 0700 for
// every folder made on the way; a failure throws PathError. The answer is absolute.
std::filesystem::path ConfigFolder(bool create = true);
std::filesystem::path DataFolder(bool create = true);
std::filesystem::path CacheFolder(bool create = true);

// The folder of per-user runtime files (the instance lock and socket): $XDG_RUNTIME_DIR when it
// names, by an absolute path, an existing folder (not a link) that the user owns and that no
// one else may read or enter, else the configuration folder (created private).
std::filesystem::path RuntimeFolder();

// The folder of the user's desktop entries: NUMMORA_HOME/applications when NUMMORA_HOME is set,
// else $XDG_DATA_HOME/applications (~/.local/share/applications).
std::filesystem::path DesktopEntryFolder();
// The user's mimeapps.list: NUMMORA_HOME/mimeapps.list, else $XDG_CONFIG_HOME/mimeapps.list.
std::filesystem::path MimeAppsListPath();
// The folder of the user's autostart entries: NUMMORA_HOME/autostart, else
// $XDG_CONFIG_HOME/autostart (~/.config/autostart).
std::filesystem::path AutostartFolder();

// Creates `folder` and its missing parents with mode 0700. Throws PathError on failure or when
// the path exists but is not a folder.
void CreatePrivateFolder(const std::filesystem::path& folder);

}  // namespace nummora
