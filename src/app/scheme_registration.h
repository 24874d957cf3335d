#pragma once
// Registration of the nmr link scheme: the four NMR entries in the settings store (read back by
// the program and by the export of settings). The desktop's handler of the links is in
// desktop/link_handler.h.
#include <string>

namespace nummora {

class SettingsStore;

inline constexpr const char* kNmrKey = "\\NMR";
inline constexpr const char* kHandOffValue = "URL";

// Writes the NMR entries unless NMR already has a "DefaultIcon" subkey (then nothing is
// rewritten, even for another executable path). Leaves the store's root at HKEY_LOCAL_MACHINE
// with no key open. Returns whether the entries were written.
bool RegisterSchemeEntries(SettingsStore& store, const std::string& executablePath);

}  // namespace nummora
