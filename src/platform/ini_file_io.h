#pragma once
// INI files on disk: reading one into an IniFile and writing one back atomically.
#include <filesystem>
#include <stdexcept>

#include "common/errors.h"
#include "common/ini_file.h"

namespace nummora {

class IniError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

// Reads a file; a missing file gives an empty INI. Throws IniError when the file exists but
// cannot be read or is larger than 16 MiB.
IniFile LoadIniFile(const std::filesystem::path& file);

// Writes the whole text to `file`, replacing it atomically (platform/atomic_file.h), mode 0600.
// Throws IniError on failure.
void SaveIniFile(const std::filesystem::path& file, const IniFile& ini);

}  // namespace nummora
