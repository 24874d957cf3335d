#pragma once
// Windows-style INI files: "[Section]" lines, then "Key=Value" lines. Reading follows the
// rules of the Windows profile functions so that files written on either side read the same:
//   - section and key names compare without regard to ASCII case; the first section of a name
//     is the one that counts, and in it the first key of a name;
//   - a line ends at CR, LF or CR LF; blanks and tabs around names and values are dropped;
//     lines starting with ";" are comments; a value enclosed in a pair of matching single or
//     double quotes loses the quotes;
//   - integers are decimal, or hexadecimal after "$" or "0x"; booleans are integers, true
//     when not zero.
// Writing changes the text in place: every line not written keeps its text, a new key goes to
// the end of its section, a new section to the end of the file. A value that would not read
// back as written (blanks at either end, or enclosed in matching quotes) is written in double
// quotes; line breaks in a value become blanks. The text is written with CR LF line ends.
// Texts are bytes (ISO-8859-1) and are never converted. This is text only: files on disk are
// read and written by platform/ini_file_io.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"

namespace nummora {

class IniFile {
 public:
  IniFile() = default;

  // Reads INI text; anything that is not a section header, a key line or a comment is kept
  // as it stands and otherwise ignored, so any text parses.
  static IniFile Parse(std::string_view text);
  std::string ToText() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value, or nothing when the section or key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}) const;
  // The default when the key is missing or its value is not an integer of 32 bits.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // Section names in file order, each name once (first spelling).
  std::vector<std::string> ReadSections() const;
  // Key names of a section in file order, each name once.
  std::vector<std::string> ReadSection(std::string_view section) const;

  // Names may not hold line breaks; a section name may not hold "]", a key name may not hold
  // "=" or begin with ";" or "[", and neither may be empty after trimming: std::invalid_argument.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Removes every line of the key in the section's first occurrence; false if it was missing.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes every occurrence of the section with its lines; false if it was missing.
  bool EraseSection(std::string_view section);

  // Parses a value the way ReadInteger does.
  static std::optional<int32_t> ParseInteger(std::string_view text);

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    Kind kind = Kind::Other;
    std::string text;   // the line as it stands in the file
    std::string name;   // section or key name, trimmed
    std::string value;  // key value as read (trimmed, quotes removed)
  };
  // [begin, end) line indexes of the first occurrence of a section's body; begin is the header.
  std::optional<std::pair<size_t, size_t>> SectionRange(std::string_view section) const;
  std::optional<size_t> KeyLine(std::string_view section, std::string_view key) const;

  std::vector<Line> lines_;
};

}  // namespace nummora
