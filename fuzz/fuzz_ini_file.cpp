// Fuzz target for the INI reader and writer (settings export files, servers.ini): any bytes
// must parse; a key written must read back the same, also after a round trip through the text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ini_file.h"
#include "net/server_config.h"

using nummora::IniFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  IniFile ini = IniFile::Parse(text);
  for (const auto& section : ini.ReadSections()) {
    for (const auto& key : ini.ReadSection(section)) {
      (void)ini.ReadInteger(section, key, 0);
      (void)ini.ReadBool(section, key, false);
    }
  }
  (void)nummora::ServerConfigFrom(ini, {}, "/");

  // Use a slice of the input as a value and check that it survives writing.
  std::string value = text.substr(0, text.size() / 2);
  std::string expected = value;
  for (char& c : expected)
    if (c == '\r' || c == '\n') c = ' ';
  ini.WriteString("Fuzz Section", "Value", value);
  if (ini.ReadString("fuzz section", "VALUE") != expected) abort();
  IniFile back = IniFile::Parse(ini.ToText());
  if (back.ReadString("Fuzz Section", "Value") != expected) abort();
  ini.EraseSection("fuzz section");
  if (ini.SectionExists("Fuzz Section")) abort();
  return 0;
}
