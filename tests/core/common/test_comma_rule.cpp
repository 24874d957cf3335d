#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/comma_rule.h"

namespace nummora {
namespace {

struct SplitCase {
  const char* name;
  std::string text;
  std::vector<std::string> items;
};

class CommaRuleSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommaRuleSplit, SplitsIntoItems) {
  EXPECT_EQ(SplitCommaItems(GetParam().text), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommaRuleSplit,
    ::testing::Values(SplitCase{"Empty", "", {}}, SplitCase{"Plain", "a,b,c", {"a", "b", "c"}},
                      SplitCase{"BlanksStay", "x, 500.5, 8.1", {"x", " 500.5", " 8.1"}},
                      SplitCase{"TwoCommasGiveEmptyItem", "a,,b", {"a", "", "b"}},
                      SplitCase{"TrailingCommaGivesEmptyLastItem", "a,b,", {"a", "b", ""}},
                      SplitCase{"OnlyComma", ",", {"", ""}}, SplitCase{"LeadingComma", ",a", {"", "a"}},
                      SplitCase{"DoubleQuotesKeepCommas", "\"a,b\",c", {"\"a,b\"", "c"}},
                      SplitCase{"ApostrophesKeepCommas", "'a,b',c", {"'a,b'", "c"}},
                      SplitCase{"OtherQuoteDoesNotClose", "'a\",b',c", {"'a\",b'", "c"}},
                      SplitCase{"QuoteInsideItem", "ab\"c,d\"e,f", {"ab\"c,d\"e", "f"}},
                      SplitCase{"UnclosedQuoteRunsToEnd", "a,'b,c\nd", {"a", "'b,c\nd"}},
                      SplitCase{"LineBreaksEndItems", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
                      SplitCase{"QuotedLineBreakDoesNotSplit", "\"a\r\nb\",c", {"\"a\r\nb\"", "c"}},
                      SplitCase{"LeadingLineBreaksSkipped", "\r\n\r\na,b", {"a", "b"}},
                      SplitCase{"TrailingLineBreakAddsNothing", "a,b\r\n", {"a", "b"}},
                      SplitCase{"CommaThenLineBreakGivesEmptyItem", "a,\r\n", {"a", ""}},
                      SplitCase{"LineBreakBeforeItemSkipped", "a,\nb", {"a", "b"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(CommaRule, ItemAtReadsMissingItemsAsEmpty) {
  const std::vector<std::string> items = SplitCommaItems("a,b");
  EXPECT_EQ(ItemAt(items, 1), "b");
  EXPECT_EQ(ItemAt(items, 2), "");
  EXPECT_EQ(ItemAt({}, 0), "");
}

TEST(CommaRule, UnquoteDropsFirstAndLastCharacterWhateverTheyAre) {
  EXPECT_EQ(UnquoteField("\"Bob\""), "Bob");
  EXPECT_EQ(UnquoteField("xBoby"), "Bob");
  EXPECT_EQ(UnquoteField("\"\""), "");
  EXPECT_EQ(UnquoteField("\""), "");
  EXPECT_EQ(UnquoteField(""), "");
}

}  // namespace
}  // namespace nummora
