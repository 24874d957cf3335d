#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/errors.h"
#include "common/tag_cursor.h"
#include "common/text_routines.h"

using namespace nummora;

namespace {

// A consuming walk with the cursor reads what the consuming ExtractTag reads, step by step,
// including the quirks readers rely on (prefix match, missing tags, the enclosing Balances).
struct WalkCase {
  std::string source;
  std::string name;
};

class CursorWalkMatchesExtractTag : public ::testing::TestWithParam<WalkCase> {};

TEST_P(CursorWalkMatchesExtractTag, StepByStep) {
  const WalkCase& c = GetParam();
  std::string rest = c.source;
  TagCursor cursor(c.source);
  for (int step = 0; step < 6; ++step) {
    SCOPED_TRACE(step);
    std::string peeked = rest;
    EXPECT_EQ(cursor.Peek(c.name), ExtractTag(peeked, c.name, false));
    EXPECT_EQ(cursor.Take(c.name), ExtractTag(rest, c.name, true));
    EXPECT_EQ(std::string(cursor.Rest()), rest);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CursorWalkMatchesExtractTag,
    ::testing::Values(WalkCase{"", "a"}, WalkCase{"<r><a x=\"1\">v</a><a>w</a></r>", "a"},
                      WalkCase{"<ab q=\"1\"><a>5</a></ab>", "a"},  // prefix match hits ab first
                      WalkCase{"<x>abc</a>tail", "a"},             // closing tag only
                      WalkCase{"<a>open only", "a"},               // no closing tag
                      WalkCase{"no tags at all", "a"},             // no ">" anywhere
                      WalkCase{"<a></a>rest<a>2</a>", "a"},        // empty content ends a walk
                      WalkCase{"<a>x<a>y</a></a>z", "a"},          // nesting unsupported
                      WalkCase{"<a>1</a\n>\r\n <a>2</a>", "a"},
                      WalkCase{
                          "<BalanceResponse><Balances><Balance><CurrencyId>LRUSD</CurrencyId></Balance>"
                          "<Balance><CurrencyId>LREUR</CurrencyId></Balance></Balances></BalanceResponse>",
                          "Balance"}));

struct SeekCase {
  std::string source;
  std::vector<std::string> found;  // names Seek stops at, taking each element after it
};

class CursorSeek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(CursorSeek, StopsAtEachNamedElementInOrder) {
  const SeekCase& c = GetParam();
  TagCursor cursor(c.source);
  std::vector<std::string> found;
  for (std::string_view name = cursor.Seek({"Receipt", "Error"}); !name.empty();
       name = cursor.Seek({"Receipt", "Error"})) {
    EXPECT_EQ(cursor.NextName(), name) << "Seek stops at the element's opening tag";
    found.push_back(std::string(name) + "=" + cursor.Take(name));
  }
  EXPECT_EQ(found, c.found);
  EXPECT_TRUE(cursor.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CursorSeek,
    ::testing::Values(SeekCase{"", {}}, SeekCase{"<TransferResponse></TransferResponse>", {}},
                      SeekCase{"<R><Receipt>1</Receipt><Error>2</Error><Receipt>3</Receipt></R>",
                               {"Receipt=1", "Error=2", "Receipt=3"}},
                      SeekCase{"<R>\r\n  <Receipt>1</Receipt>\r\n  <Error>\n<Code>2</Code></Error>\n</R>",
                               {"Receipt=1", "Error=\n<Code>2</Code>"}},
                      // Names match exactly: ReceiptId and Errors are other elements.
                      SeekCase{"<Errors><ReceiptId>9</ReceiptId><Receipt id=\"x\">1</Receipt><Error/>",
                               {"Receipt=1", "Error="}},
                      SeekCase{"text <Receipt", {}}, SeekCase{"<R><Receipt x", {}},
                      SeekCase{"<R><Error\n<", {}}));

struct NextNameCase {
  std::string source;
  std::string name;
};

class CursorNextName : public ::testing::TestWithParam<NextNameCase> {};

TEST_P(CursorNextName, NamesTheElementAfterWhiteSpace) {
  TagCursor cursor(GetParam().source);
  EXPECT_EQ(cursor.NextName(), GetParam().name);
  EXPECT_EQ(cursor.Position(), 0u) << "NextName does not move the cursor";
  cursor.SkipBlanks();
  EXPECT_EQ(cursor.NextName(), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Cases, CursorNextName,
                         ::testing::Values(NextNameCase{"<Receipt><a/>", "Receipt"},
                                           NextNameCase{" \r\n\t<Error>x", "Error"},
                                           NextNameCase{"<Pager id=\"1\">", "Pager"},
                                           NextNameCase{"<br/>", "br"}, NextNameCase{"</Receipt>", ""},
                                           NextNameCase{"<?xml ?>", ""}, NextNameCase{"text<a>", ""},
                                           NextNameCase{"   ", ""}, NextNameCase{"", ""}));

TEST(TagCursor, RangeErrorCountsFromTheCursor) {
  // 20000 elements of 14 bytes: far beyond 16 bits, yet every step is near the cursor.
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "<i>" + std::to_string(100000 + i) + "</i>.";
  TagCursor cursor(text);
  int count = 0;
  for (std::string value = cursor.Take("i"); !value.empty(); value = cursor.Take("i")) {
    ASSERT_EQ(value, std::to_string(100000 + count));
    ++count;
  }
  EXPECT_EQ(count, 20000);

  // A tag more than 65535 bytes past the cursor is a range error, and the cursor stays.
  const std::string far = "<i>1</i>" + std::string(70000, '.') + "<i>2</i>";
  TagCursor farCursor(far);
  EXPECT_EQ(farCursor.Take("i"), "1");
  const std::size_t before = farCursor.Position();
  EXPECT_THROW(farCursor.Take("i"), ERangeError);
  EXPECT_THROW(farCursor.Peek("i"), ERangeError);
  EXPECT_EQ(farCursor.Position(), before);
  // Seek has no such limit.
  EXPECT_EQ(farCursor.Seek({"i"}), "i");
  EXPECT_EQ(farCursor.Take("i"), "2");
}

TEST(TagCursor, WalksManyMegabytesInLinearTime) {
  // 400000 receipts, about 12 MB; the copying walk would move terabytes here. A rare name
  // among the sought ones must not make each Seek rescan the rest.
  std::string text = "<R>";
  for (int i = 0; i < 400000; ++i) text += "\n  <Receipt>" + std::to_string(i) + "</Receipt>";
  text += "<Error>end</Error></R>";
  TagCursor cursor(text);
  int receipts = 0;
  std::string last;
  for (std::string_view name = cursor.Seek({"Error", "Receipt"}); !name.empty();
       name = cursor.Seek({"Error", "Receipt"})) {
    last = cursor.Take(name);
    if (name == "Receipt") ++receipts;
  }
  EXPECT_EQ(receipts, 400000);
  EXPECT_EQ(last, "end");
}

TEST(TagCursor, WalksBeyondTenMillionBytes) {
  // Unlike the consuming ExtractTag, which keeps at most 10000000 bytes of the rest.
  const std::string source = "<a>1</a>" + std::string(10000005, 'x') + "<a>2</a>";
  TagCursor cursor(source);
  EXPECT_EQ(cursor.Take("a"), "1");
  EXPECT_EQ(cursor.Rest().size(), 10000013u);
  EXPECT_EQ(cursor.Seek({"a"}), "a");
  EXPECT_EQ(cursor.Take("a"), "2");
}

}  // namespace
