#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "common/text_routines.h"

using namespace nummora;

namespace {

struct EncodeCase {
  std::string input;
  std::string expected;
};

class UrlEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(UrlEncodeTest, EncodesEachByte) {
  EXPECT_EQ(UrlEncode(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, UrlEncodeTest,
                         ::testing::Values(EncodeCase{"A b-1", "A+b-%31"}, EncodeCase{"<x/>", "%3cx%2f%3e"},
                                           EncodeCase{"*-._@", "*-._@"}, EncodeCase{"AZaz", "AZaz"},
                                           EncodeCase{"0123456789", "%30%31%32%33%34%35%36%37%38%39"},
                                           EncodeCase{"a+b=c&d%", "a%2bb%3dc%26d%25"},
                                           EncodeCase{"\r\n\t~", "%0d%0a%09%7e"},
                                           EncodeCase{"\xe9\xff\x80", "%e9%ff%80"}, EncodeCase{"", ""},
                                           EncodeCase{std::string("ab\0cd", 5), "ab"}));

TEST(UrlEncode, IsAtMostThreeTimesAsLong) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  const std::string encoded = UrlEncode(all);
  EXPECT_LE(encoded.size(), all.size() * 3);
  // 57 bytes stay as they are and the blank becomes "+"; every other byte takes three.
  EXPECT_EQ(encoded.size(), 58 + (all.size() - 58) * 3);
}

TEST(ExtractTag, ConsumingWalkOverRepeatedElements) {
  std::string source = "<r><a x=\"1\">v</a><a>w</a></r>";
  EXPECT_EQ(ExtractTag(source, "a", true), "v");
  EXPECT_EQ(source, "<a>w</a></r>");
  EXPECT_EQ(ExtractTag(source, "a", true), "w");
  EXPECT_EQ(source, "</r>");
  EXPECT_EQ(ExtractTag(source, "a", true), "");
  EXPECT_EQ(source, "");
  EXPECT_EQ(ExtractTag(source, "a", true), "");
  EXPECT_EQ(source, "");
}

TEST(ExtractTag, PrefixMatchHitsALongerNameFirst) {
  std::string source = "<ab q=\"1\"><a>5</a></ab>";
  EXPECT_EQ(ExtractTag(source, "a", false), "<a>5");
  EXPECT_EQ(source, "<ab q=\"1\"><a>5</a></ab>") << "without consume the source is untouched";
}

TEST(ExtractTag, EnclosingBalancesElementHoldsTheFirstBalanceWhole) {
  std::string answer =
      "<BalanceResponse><Balances><Balance><CurrencyId>LRUSD</CurrencyId><Value>1</Value></Balance>"
      "<Balance><CurrencyId>LREUR</CurrencyId><Value>2</Value></Balance></Balances></BalanceResponse>";
  std::string first = ExtractTag(answer, "Balance", true);
  EXPECT_EQ(ExtractTag(first, "CurrencyId", false), "LRUSD");
  std::string second = ExtractTag(answer, "Balance", true);
  EXPECT_EQ(ExtractTag(second, "CurrencyId", false), "LREUR");
  EXPECT_EQ(ExtractTag(answer, "Balance", true), "");
}

TEST(ExtractTag, ClosingTagWithoutOpeningTagGivesTextAfterFirstBracket) {
  std::string source = "<x>abc</a>tail";
  EXPECT_EQ(ExtractTag(source, "a", false), "abc");
  std::string noBracketBefore = "abc</a>";
  // The first ">" is the closing tag's own: nothing lies between it and a later closing tag.
  EXPECT_EQ(ExtractTag(noBracketBefore, "a", false), "");
}

struct TagCase {
  std::string source;
  std::string name;
  std::string result;
  std::string rest;  // the source after a consuming call
};

class ExtractTagCases : public ::testing::TestWithParam<TagCase> {};

TEST_P(ExtractTagCases, ResultAndRemainder) {
  const TagCase& c = GetParam();
  std::string copy = c.source;
  EXPECT_EQ(ExtractTag(copy, c.name, false), c.result);
  EXPECT_EQ(copy, c.source);
  EXPECT_EQ(ExtractTag(copy, c.name, true), c.result);
  EXPECT_EQ(copy, c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractTagCases,
    ::testing::Values(TagCase{"", "a", "", ""}, TagCase{"<a>1</a>", "a", "1", ""},
                      TagCase{"<a></a>rest", "a", "", "rest"},        // empty content
                      TagCase{"<a>open only", "a", "", "open only"},  // no closing tag: cut after first >
                      TagCase{"no tags at all", "a", "", "no tags at all"},  // no ">" anywhere: source kept
                      TagCase{"<A>1</A>", "a", "", "1</A>"},                 // names are case-sensitive
                      TagCase{"<a>x<a>y</a></a>z", "a", "x<a>y", "</a>z"},   // nesting is not supported
                      TagCase{"<Name>Bob</Name><Named>x</Named>", "Name", "Bob", "<Named>x</Named>"},
                      TagCase{"pre<a\n>line\r\nbreak</a>post", "a", "line\r\nbreak", "post"},
                      TagCase{"<a>1</a", "a", "", "1</a"}));

TEST(ExtractTag, MatchesUpToPosition65535AreRead) {
  // "<a" starts at position 65535 (1-based); ">" follows at 65537 > 65535 -> range error.
  std::string near = std::string(65534, ' ') + "<a>v</a>";
  EXPECT_THROW(ExtractTag(near, "a", false), ERangeError);
  // Everything within 16 bits reads normally.
  std::string inside = std::string(65000, ' ') + "<a>v</a>";
  EXPECT_EQ(ExtractTag(inside, "a", false), "v");
}

TEST(ExtractTag, RangeErrorForEachOfTheThreePositions) {
  const std::string pad(70000, '.');
  std::string openingFar = pad + "<a>v</a>";
  EXPECT_THROW(ExtractTag(openingFar, "a", true), ERangeError);
  EXPECT_EQ(openingFar.size(), pad.size() + 8) << "a failed call leaves the source alone";
  std::string bracketFar = "<a" + pad + ">v</a>";
  EXPECT_THROW(ExtractTag(bracketFar, "a", false), ERangeError);
  std::string closingFar = "<a>" + pad + "</a>";
  EXPECT_THROW(ExtractTag(closingFar, "a", false), ERangeError);
  // No match at all is not an error, however long the text, as long as the first ">" is near.
  std::string noMatch = "<x>" + pad;
  EXPECT_EQ(ExtractTag(noMatch, "a", false), "");
  // Without an opening tag the ">" search starts at the beginning: a far ">" is an error too.
  std::string farBracketOnly = pad + ">";
  EXPECT_THROW(ExtractTag(farBracketOnly, "a", false), ERangeError);
}

TEST(ExtractTag, ConsumingWalkKeepsMatchesNearTheStart) {
  // 6000 elements of 14 bytes: 84000 bytes, beyond 16 bits, yet every step reads.
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "<i>" + std::to_string(100000 + i) + "</i>.";
  ASSERT_GT(text.size(), 65535u);
  int count = 0;
  std::string value;
  while (!(value = ExtractTag(text, "i", true)).empty()) {
    EXPECT_EQ(value, std::to_string(100000 + count));
    ++count;
  }
  EXPECT_EQ(count, 6000);
}

TEST(ExtractTag, ConsumedSourceIsCappedAtTenMillionBytes) {
  std::string source = "<a>1</a>" + std::string(10000005, 'x');
  EXPECT_EQ(ExtractTag(source, "a", true), "1");
  EXPECT_EQ(source.size(), 10000000u);
}

TEST(ExtractHiddenInput, ReadsTheQuotedValue) {
  const std::string page =
      "<form><input type=hidden name=PAYEE_NAME value=\"Bob\"><input type=hidden name=X value=\"1\">";
  EXPECT_EQ(ExtractHiddenInput("PAYEE_NAME", page), "Bob");
  EXPECT_EQ(ExtractHiddenInput("X", page), "1");
  EXPECT_EQ(ExtractHiddenInput("Y", page), "");
  EXPECT_EQ(ExtractHiddenInput("payee_name", page), "") << "the field name is case-sensitive";
  // The pattern is exact: quotes around the name or another order of attributes do not match.
  EXPECT_EQ(ExtractHiddenInput("N", "<input type=\"hidden\" name=N value=\"v\">"), "");
  EXPECT_EQ(ExtractHiddenInput("N", "<input type=hidden name=N value=\"\">"), "");
}

class HiddenInputLength : public ::testing::TestWithParam<size_t> {};

TEST_P(HiddenInputLength, ValuesOf49BytesOrMoreReadAsEmpty) {
  const size_t length = GetParam();
  const std::string value(length, 'v');
  const std::string page = "<input type=hidden name=PAYEE_NAME value=\"" + value + "\">";
  EXPECT_EQ(ExtractHiddenInput("PAYEE_NAME", page), length <= 48 ? value : "");
}

INSTANTIATE_TEST_SUITE_P(Lengths, HiddenInputLength, ::testing::Values(0u, 1u, 47u, 48u, 49u, 50u, 80u));

TEST(ExtractHiddenInput, QuoteWithoutBracketDoesNotEndTheValue) {
  const std::string page = "<input type=hidden name=N value=\"a\"b\">";
  EXPECT_EQ(ExtractHiddenInput("N", page), "a\"b");
  // A page that ends right after the opening quote, or never closes the value.
  EXPECT_EQ(ExtractHiddenInput("N", "<input type=hidden name=N value=\""), "");
  EXPECT_EQ(ExtractHiddenInput("N", "<input type=hidden name=N value=\"abc"), "");
}

TEST(ExtractHiddenInput, RangeErrorBeyondPosition65535) {
  const std::string field = "<input type=hidden name=N value=\"v\">";
  EXPECT_EQ(ExtractHiddenInput("N", std::string(65534, ' ') + field), "v");  // at 65535
  EXPECT_THROW(ExtractHiddenInput("N", std::string(65535, ' ') + field), ERangeError);
  // A missing field in a long page is simply empty.
  EXPECT_EQ(ExtractHiddenInput("N", std::string(100000, ' ')), "");
}

}  // namespace
