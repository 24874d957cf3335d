#include <gtest/gtest.h>

#include "net/form_encoding.h"

namespace nummora {
namespace {

struct BodyRow {
  const char* label;
  std::string formText;
  std::string body;
};

class FormBodyTest : public ::testing::TestWithParam<BodyRow> {};

TEST_P(FormBodyTest, BodyIsByteExact) {
  EXPECT_EQ(FormBodyFromText(GetParam().formText), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormBodyTest,
    ::testing::Values(
        BodyRow{"Empty", "", ""},
        BodyRow{"PayeeAndAmount", "Payee_Account=123\r\nMemo=a b\r\nAmount=5",
                "Payee_Account=123&Memo=a%20b&Amount=5"},
        BodyRow{"TwoLinesLf", "a=1\nb=x y\n", "a=1&b=x%20y"},
        BodyRow{"TrimAfterEncoding", " c=* ", "c=%2A%20"},
        BodyRow{"PercentIsEscaped", "req=%3c", "req=%253c"},
        // "&" and "+" in a value would add a field or turn into a blank at the server.
        BodyRow{"AmpAndPlusAreEscaped", "memo=x&Amount=999+1", "memo=x%26Amount=999%2B1"},
        BodyRow{"EqualsStays", "memo=a=b", "memo=a=b"},
        BodyRow{"AllEscapedPunctuation", "v= #%*<>[]", "v=%20%23%25%2A%3C%3E%5B%5D"},
        BodyRow{"ControlAndHighBytes", std::string("v=\x01\x7F\x80\x81\xFF", 7), "v=%01\x7F\x80%81%FF"},
        BodyRow{"NameIsNotEncoded", "my name=a b", "my name=a%20b"},
        BodyRow{"LineWithoutEqualsStays", "plain text*", "plain text*"},
        BodyRow{"EmptyValue", "a=\r\nb=", "a=&b="}, BodyRow{"MiddleEmptyLine", "a=1\r\n\r\nb=2", "a=1&&b=2"},
        BodyRow{"CrOnlyBreaks", "a=1\rb=2\r", "a=1&b=2"}, BodyRow{"OnlyBlankLines", "\r\n  \r\n", ""},
        BodyRow{"XmlRequest", "req=<Auth><ApiName>x</ApiName></Auth>",
                "req=%3CAuth%3E%3CApiName%3Ex%3C/ApiName%3E%3C/Auth%3E"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FormLinesTest, LineBreaksSplitOnceAndAFinalBreakAddsNothing) {
  EXPECT_TRUE(SplitFormLines("").empty());
  EXPECT_EQ(SplitFormLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitFormLines("a\r\n"), std::vector<std::string>{"a"});
  EXPECT_EQ(SplitFormLines("a\n\r"), (std::vector<std::string>{"a", ""}));  // LF then CR: two breaks
  EXPECT_EQ(SplitFormLines("\n"), std::vector<std::string>{""});
}

}  // namespace
}  // namespace nummora
