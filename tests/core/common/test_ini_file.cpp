#include <gtest/gtest.h>

#include "common/ini_file.h"

namespace nummora {
namespace {

const char* const kExport =
    "; exported\r\n"
    "[General]\r\n"
    "Date=12/1/2026 10:00:00 AM\r\n"
    "Comment=  spaced comment  \r\n"
    "Accounts=2\r\n"
    "\r\n"
    "[Accounts]\n"
    "Name1=Main\n"
    "account1 = 123456\n"
    "Name2=\"  quoted  \"\n"
    "Account2='U222'\n"
    "NAME1=second spelling ignored\n"
    "garbage line without equals\n"
    "[accounts]\n"
    "Name3=in a later section of the same name\n"
    "[Preferences]\r"
    "UseProxy=1\r"
    "Fiat=$10\r"
    "HotkeySpend=0x6053\r"
    "Bad=12abc\r"
    "Big=2147483648\r"
    "Neg=-2147483648\r";

TEST(IniFileTest, ReadsLikeTheWindowsProfileFunctions) {
  IniFile ini = IniFile::Parse(kExport);
  EXPECT_EQ(ini.ReadString("general", "COMMENT"), "spaced comment");
  EXPECT_EQ(ini.ReadString("Accounts", "Name1"), "Main");
  EXPECT_EQ(ini.ReadString("Accounts", "Account1"), "123456");
  EXPECT_EQ(ini.ReadString("Accounts", "Name2"), "  quoted  ");
  EXPECT_EQ(ini.ReadString("Accounts", "Account2"), "U222");
  EXPECT_FALSE(ini.ValueExists("Accounts", "Name3"));  // only the first [Accounts] counts
  EXPECT_EQ(ini.ReadString("Accounts", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadSection("Accounts"),
            (std::vector<std::string>{"Name1", "account1", "Name2", "Account2"}));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"General", "Accounts", "Preferences"}));
  EXPECT_TRUE(ini.SectionExists("PREFERENCES"));
  EXPECT_FALSE(ini.SectionExists("Address book"));
  EXPECT_FALSE(ini.ValueExists("exported", ""));
}

struct IntegerRow {
  const char* key;
  int32_t expected;
};
class IniIntegerTest : public ::testing::TestWithParam<IntegerRow> {};

TEST_P(IniIntegerTest, IntegersFallBackToTheDefault) {
  IniFile ini = IniFile::Parse(kExport);
  EXPECT_EQ(ini.ReadInteger("Preferences", GetParam().key, -7), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, IniIntegerTest,
                         ::testing::Values(IntegerRow{"UseProxy", 1}, IntegerRow{"Fiat", 16},
                                           IntegerRow{"HotkeySpend", 24659}, IntegerRow{"Bad", -7},
                                           IntegerRow{"Big", -7}, IntegerRow{"Neg", INT32_MIN},
                                           IntegerRow{"Missing", -7}));

TEST(IniFileTest, BooleansAreNonZeroIntegers) {
  IniFile ini = IniFile::Parse("[S]\na=1\nb=0\nc=-3\nd=true\n");
  EXPECT_TRUE(ini.ReadBool("S", "a", false));
  EXPECT_FALSE(ini.ReadBool("S", "b", true));
  EXPECT_TRUE(ini.ReadBool("S", "c", false));
  EXPECT_TRUE(ini.ReadBool("S", "d", true));  // not a number: the default
  EXPECT_FALSE(ini.ReadBool("S", "d", false));
  EXPECT_EQ(IniFile::ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(IniFile::ParseInteger("-"), std::nullopt);
}

TEST(IniFileTest, WritingKeepsEverythingElseInPlace) {
  IniFile ini = IniFile::Parse(
      "; keep me\n[General]\nDate=old\n\n[Accounts]\nName1=A\nName2=B\nName3=C\nName4=D\nName5=E\n");
  ini.WriteString("General", "DATE", "new");
  ini.WriteString("General", "Comment", "hello");
  ini.WriteInteger("Accounts", "Name1", 7);
  ini.WriteBool("Preferences", "UseProxy", true);
  EXPECT_EQ(ini.ToText(),
            "; keep me\r\n[General]\r\nDate=new\r\nComment=hello\r\n\r\n[Accounts]\r\nName1=7\r\n"
            "Name2=B\r\nName3=C\r\nName4=D\r\nName5=E\r\n\r\n[Preferences]\r\nUseProxy=1\r\n");
  EXPECT_TRUE(ini.DeleteKey("accounts", "name2"));
  EXPECT_FALSE(ini.DeleteKey("accounts", "name2"));
  EXPECT_TRUE(ini.EraseSection("general"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Accounts", "Preferences"}));
  EXPECT_EQ(ini.ReadSection("Accounts").size(), 4u);
}

// Values that the plain "key=value" form would change are quoted so they read back as written;
// line breaks cannot be stored and become blanks rather than injecting lines.
TEST(IniFileTest, WrittenValuesReadBackThroughText) {
  const std::vector<std::string> values = {"",
                                           "plain",
                                           "  lead and trail  ",
                                           "\tTab",
                                           "\"quoted\"",
                                           "'single'",
                                           "'mixed\"",
                                           "a=b;c",
                                           "[not a section]",
                                           std::string("latin1 \xE9\xFF", 9)};
  IniFile ini;
  for (size_t i = 0; i < values.size(); ++i) ini.WriteString("S", "K" + std::to_string(i), values[i]);
  ini.WriteString("S", "Evil", "x\r\n[Preferences]\r\nProxyHost=attacker");
  IniFile back = IniFile::Parse(ini.ToText());
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(back.ReadString("S", "K" + std::to_string(i)), values[i]) << i;
  EXPECT_FALSE(back.SectionExists("Preferences"));
  EXPECT_EQ(back.ReadString("S", "Evil"), "x  [Preferences]  ProxyHost=attacker");
  EXPECT_EQ(ini.ReadString("S", "Evil"), back.ReadString("S", "Evil"));
}

TEST(IniFileTest, BadNamesAreRefused) {
  IniFile ini;
  EXPECT_THROW(ini.WriteString("a]b", "k", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("S", "k=1", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("S", "k\n", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("S", "  ", "v"), std::invalid_argument);
  EXPECT_THROW(ini.WriteString("S", ";k", "v"), std::invalid_argument);
  EXPECT_EQ(ini.ToText(), "");
}

}  // namespace
}  // namespace nummora
