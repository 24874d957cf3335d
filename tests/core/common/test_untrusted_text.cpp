#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/untrusted_text.h"

namespace nummora {
namespace {

struct TextCase {
  const char* name;
  std::string text;
  std::string shown;
};

// --- a cell of a table: every control character shown ---

class VisibleControlsRule : public testing::TestWithParam<TextCase> {};

TEST_P(VisibleControlsRule, ShowsEveryControlCharacterByItsCode) {
  EXPECT_EQ(VisibleControls(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VisibleControlsRule,
    testing::Values(TextCase{"plain_text_as_it_is", "Bob Metals (1001002) caf\xE9",
                             "Bob Metals (1001002) caf\xE9"},
                    TextCase{"retitle_and_clear", "\x1b]0;owned\x07\x1b[2J", "\\x1b]0;owned\\x07\\x1b[2J"},
                    TextCase{"line_breaks_and_tab", "a\r\nb\tc", "a\\x0d\\x0ab\\x09c"},
                    TextCase{"nul_and_delete", std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
                    // The C1 controls of ISO-8859-1: 0x9b is the CSI of 8-bit terminals.
                    TextCase{"c1_controls",
                             "\x9b"
                             "31m\x80\x9f\xa0",
                             "\\x9b31m\\x80\\x9f\xa0"}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

// --- output on its way to a terminal: the program's own line ends pass ---

class TerminalTextRule : public testing::TestWithParam<TextCase> {};

TEST_P(TerminalTextRule, KeepsLineEndsAndShowsOtherControls) {
  EXPECT_EQ(TerminalText(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TerminalTextRule,
    testing::Values(TextCase{"line_ends_and_tabs", "a\tb\nc\r\n", "a\tb\nc\r\n"},
                    TextCase{"escape_and_bell", "Error: \x1b[2J\x07", "Error: \\x1b[2J\\x07"},
                    // A CR that is no line end would return to the start of the line and overwrite it.
                    TextCase{"lone_cr", "paid\rrefused", "paid\\x0drefused"},
                    TextCase{"cr_at_the_end", "x\r", "x\\x0d"},
                    // UTF-8 keeps its letters; its encoded C1 controls are shown.
                    TextCase{"utf8_letters", "caf\xC3\xA9 \xC3\x9B", "caf\xC3\xA9 \xC3\x9B"},
                    TextCase{"utf8_csi",
                             "\xC2\x9B"
                             "2J \xC2\xA0",
                             "\\x9b2J \xC2\xA0"}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

// Writes keep their order and a CR LF split over two writes stays a line end.
TEST(TerminalStreamBuf, FiltersEveryWriteAndJoinsSplitLineEnds) {
  std::ostringstream target;
  {
    TerminalStreamBuf filter(target.rdbuf());
    std::ostream out(&filter);
    out << "memo: " << std::string("\x1b]2;x\x07") << "\r";
    out << "\n" << '\x1b' << "\xC2";
    out << "\x9b" << std::flush;
    EXPECT_EQ(target.str(), "memo: \\x1b]2;x\\x07\r\n\\x1b\\x9b");
    out << "end\r";
  }
  EXPECT_EQ(target.str(), "memo: \\x1b]2;x\\x07\r\n\\x1b\\x9bend\\x0d");
}

// --- a CSV cell for a spreadsheet ---

class SpreadsheetCellRule : public testing::TestWithParam<TextCase> {};

TEST_P(SpreadsheetCellRule, NeverStartsAFormula) {
  EXPECT_EQ(SpreadsheetCell(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SpreadsheetCellRule,
    testing::Values(TextCase{"formula", "=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
                    TextCase{"plus", "+1+2", "'+1+2"}, TextCase{"minus_formula", "-2+3", "'-2+3"},
                    TextCase{"at", "@SUM(A1)", "'@SUM(A1)"}, TextCase{"tab", "\t=1", "'\t=1"},
                    TextCase{"cr", "\r=1", "'\r=1"},
                    // Amounts stay numbers.
                    TextCase{"negative_amount", "-12.50", "-12.50"}, TextCase{"positive_amount", "+3", "+3"},
                    TextCase{"plain_text", "tea, 2 cups", "tea, 2 cups"}, TextCase{"empty", "", ""},
                    TextCase{"sign_alone", "-", "'-"}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nummora
