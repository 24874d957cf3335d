#pragma once
// Text that other people wrote (memos, names, merchant references, the messages of servers),
// made safe to show on a terminal or to hand to a spreadsheet. A control character is never
// dropped silently: it is shown as a backslash, "x" and its code in two lower-case hexadecimal
// digits, so an ESC reads \x1b and a bell \x07. Pure functions, safe from any thread.
#include <streambuf>
#include <string>
#include <string_view>

namespace nummora {

// An ISO-8859-1 text for one cell or field of a table: every control character (codes 0 to 31,
// 127 and 128 to 159, line breaks and tabs included) shown as \xHH; every other byte as it is.
std::string VisibleControls(std::string_view latin1);

// Output on its way to a terminal (ISO-8859-1 or UTF-8): the control characters that move the
// cursor, retitle or clear the window shown as \xHH; kept are line feeds, tabs and a CR directly
// before a line feed (the line ends of the program's own lines). The C1 controls are shown
// when they come UTF-8 encoded (the bytes C2 80 to C2 9F) as the code of the character, so
// the CSI of UTF-8 reads \x9b; single bytes 128 to 159 pass, as they may be part of a UTF-8
// character (ISO-8859-1 text is to be shown through VisibleControls). A CR at the very end is
// shown as a control.
std::string TerminalText(std::string_view text);

// A CSV cell whose text another person wrote, for a spreadsheet: a cell that begins with "=",
// "+", "-", "@", a tab or a CR gets a leading apostrophe, so that it is taken as text and never
// run as a formula; a plain number ("-12.5", "+3") stays as it is.
std::string SpreadsheetCell(std::string_view text);

// A stream buffer that passes everything written to it through TerminalText into `target`.
// Writes go through at once, so that it keeps its order with writes made to `target` directly;
// only a CR or a C2 byte at the end of a write waits for the next write, to see what follows
// it, and goes out at the latest when the buffer is destroyed.
class TerminalStreamBuf : public std::streambuf {
 public:
  explicit TerminalStreamBuf(std::streambuf* target) : target_(target) {}
  TerminalStreamBuf(const TerminalStreamBuf&) = delete;
  TerminalStreamBuf& operator=(const TerminalStreamBuf&) = delete;
  ~TerminalStreamBuf() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool Put(std::string_view text);

  std::streambuf* target_;
  std::string held_;  // a trailing CR or C2 byte, until the next write shows what follows it
};

}  // namespace nummora
