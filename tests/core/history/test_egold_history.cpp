#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/format_settings.h"
#include "history/egold_history.h"

namespace nummora {
namespace {

using Cells = std::vector<std::string>;

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

const char kHeader[] =
    "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counter\",\"Name\",\"USD\",\"Unit\",\"Price\","
    "\"Memo\",\"PaymentID\"";

// --- splitting a line into fields ---

struct SplitCase {
  const char* name;
  std::string line;
  Cells fields;
};

class HistoryFieldSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(HistoryFieldSplit, SplitsAtCommasOutsideQuotes) {
  EXPECT_EQ(SplitHistoryFields(GetParam().line), GetParam().fields);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HistoryFieldSplit,
    testing::Values(SplitCase{"plain", "a,b,c", {"a", "b", "c"}},
                    SplitCase{"double_quotes_keep_commas", "\"x,y\",z", {"\"x,y\"", "z"}},
                    SplitCase{"apostrophes_keep_commas", "'x,y',z", {"'x,y'", "z"}},
                    SplitCase{"apostrophe_inside_double_quotes", "\"it's, fine\",n", {"\"it's, fine\"", "n"}},
                    SplitCase{"double_quote_inside_apostrophes", "'say \"a,b\"',n", {"'say \"a,b\"'", "n"}},
                    SplitCase{"empty_fields_count", "a,,b", {"a", "", "b"}},
                    SplitCase{"trailing_comma_gives_empty_last", "a,b,", {"a", "b", ""}},
                    SplitCase{"leading_comma_gives_empty_first", ",a", {"", "a"}},
                    SplitCase{"unclosed_quote_runs_to_the_end", "\"a,b", {"\"a,b"}},
                    SplitCase{"empty_line_has_no_fields", "", {}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(HistoryLines, SplitAtCrLfOrCrLf) {
  const std::vector<std::string_view> lines = SplitHistoryLines("h\r\na\rb\nc\r\n\r\nd\r\n");
  EXPECT_EQ(lines, (std::vector<std::string_view>{"h", "a", "b", "c", "", "d"}));
}

// --- the cells of a row ---

struct RowCase {
  const char* name;
  std::string line;
  Cells cells;
};

class EgoldHistoryRow : public testing::TestWithParam<RowCase> {};

TEST_P(EgoldHistoryRow, BuildsTheCellsOfTheLine) {
  const EgoldHistory history =
      ReadEgoldHistory(std::string(kHeader) + "\r\n" + GetParam().line, NumberFormat());
  ASSERT_EQ(history.rows.RowCount(), 1u);
  EXPECT_EQ(history.rows.Row(0), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EgoldHistoryRow,
    testing::Values(
        RowCase{"payment_received",
                "\"03/07/2006 10:00:00\",\"Payment Received\",41000007,Gold,0.1,1001002,\"Bob, "
                "Metals\",65.00,\"USD\","
                "650.00,\"for \"\"tea\"\"\",\"PID-1\"",
                {"03/07/2006 10:00:00", "Payment Received", "41000007", "Bob, Metals (1001002)", "65.00 USD",
                 "Gold", "for \"\"tea\"\"", "PID-1", "Bob, Metals", "1001002"}},
        RowCase{
            "storage_fee_has_no_account",
            "\"03/07/2006\",\"Storage Fee\",41000008,Gold,0.001,,\"\",0.65,\"USD\",650.00,\"monthly\",\"\"",
            {"03/07/2006", "Storage Fee", "41000008", "", "0.65 USD", "Gold", "", "0.65 USD", "monthly"}},
        RowCase{"incentive_with_nine_fields",
                "\"d\",\"Incentive Payment\",5,Gold,1,2,\"n\",3.5,\"USD\"",
                {"d", "Incentive Payment", "5", "n (2)", "3.5 USD", "Gold", "", "3.5 USD"}},
        RowCase{"one_field", "\"d\"", {"d", "", "", "", ""}},
        RowCase{"three_fields", "\"d\",\"Payment Made\",12", {"d", "Payment Made", "12", "", "", ""}},
        RowCase{"seven_fields_without_memo",
                "\"d\",\"Payment Made\",12,Gold,1,1001003,\"Carol\"",
                {"d", "Payment Made", "12", "Carol (1001003)", "", "Gold", "", "Carol", "1001003"}},
        RowCase{"empty_counterpart_gives_empty_to_from",
                "\"d\",\"Payment Made\",12,Gold,1,,\"Carol\",1.00,\"USD\",650,\"m\",\"x\"",
                {"d", "Payment Made", "12", "", "1.00 USD", "Gold", "m", "x", "Carol", ""}},
        RowCase{"apostrophes_unquote_too", "'d','Payment Made',1", {"d", "Payment Made", "1", "", "", ""}}),
    [](const testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

// --- totals ---

struct TotalsCase {
  const char* name;
  std::vector<std::string> lines;
  HistoryTotals totals;
  std::size_t leftOut;
};

class EgoldHistoryTotals : public testing::TestWithParam<TotalsCase> {};

TEST_P(EgoldHistoryTotals, AddsEachKindToItsTotal) {
  std::string reply = kHeader;
  for (const std::string& line : GetParam().lines) reply += "\r\n" + line;
  const EgoldHistory history = ReadEgoldHistory(reply, NumberFormat());
  EXPECT_EQ(history.totals.received, GetParam().totals.received);
  EXPECT_EQ(history.totals.made, GetParam().totals.made);
  EXPECT_EQ(history.totals.fee, GetParam().totals.fee);
  EXPECT_EQ(history.totals.incentive, GetParam().totals.incentive);
  EXPECT_EQ(history.amountsLeftOut, GetParam().leftOut);
  EXPECT_EQ(history.rows.RowCount(), GetParam().lines.size());
}

const std::string kReceived = "\"d\",\"Payment Received\",1,Gold,1,2,\"n\",";
const std::string kMade = "\"d\",\"Payment Made\",1,Gold,1,2,\"n\",";

INSTANTIATE_TEST_SUITE_P(
    Rules, EgoldHistoryTotals,
    testing::Values(TotalsCase{"each_kind",
                               {kReceived + "10.50,\"USD\"", kReceived + "0.25,\"USD\"", kMade + "3,\"USD\"",
                                "\"d\",\"Payment Receive Fee\",1,Gold,1,,\"\",0.1,\"USD\"",
                                "\"d\",\"Storage Fee\",1,Gold,1,,\"\",0.2,\"USD\"",
                                "\"d\",\"Incentive Payment\",1,Gold,1,,\"\",5,\"USD\""},
                               {107500, 30000, 3000, 50000},
                               0},
                    TotalsCase{"type_without_quotes_adds_nothing",
                               {"\"d\",Payment Received,1,Gold,1,2,\"n\",10,\"USD\"",
                                "\"d\",'Payment Made',1,Gold,1,2,\"n\",4,\"USD\""},
                               {0, 0, 0, 0},
                               0},
                    TotalsCase{"fewer_than_eight_fields_add_nothing",
                               {"\"d\",\"Payment Received\",1,Gold,1,2,\"n\""},
                               {0, 0, 0, 0},
                               0},
                    TotalsCase{"amount_not_a_number_is_left_out_and_counted",
                               {kReceived + "12,\"USD\"", kReceived + "n/a,\"USD\"", kMade + ",\"USD\""},
                               {120000, 0, 0, 0},
                               2},
                    TotalsCase{"other_types_add_nothing",
                               {"\"d\",\"Bailment\",1,Gold,1,2,\"n\",10,\"USD\""},
                               {0, 0, 0, 0},
                               0}),
    [](const testing::TestParamInfo<TotalsCase>& info) { return std::string(info.param.name); });

TEST(EgoldHistoryTotals, TextsShowOnlyTotalsAboveZeroInOrder) {
  EXPECT_EQ(HistoryTotalTexts({125000, 0, 100, -5}, NumberFormat()),
            (std::vector<std::string>{"Total received: $12.5", "Total fee: $0.01"}));
}

// --- the reply as a whole ---

TEST(EgoldHistoryReply, HeaderOnlyGivesNoRowsAndNoBatch) {
  const EgoldHistory history = ReadEgoldHistory(std::string(kHeader) + "\r\n", NumberFormat());
  EXPECT_EQ(history.rows.RowCount(), 0u);
  EXPECT_FALSE(history.lastBatch.has_value());
}

TEST(EgoldHistoryReply, ShowsLinesNewestFirstAndTakesTheBatchOfTheLastLine) {
  const std::string reply = std::string(kHeader) +
                            "\r\n\"first\",\"Payment Made\",100\r\n\"second\",\"Payment Made\",200\n" +
                            "\"third\",\"Payment Made\",300\r\n";
  const EgoldHistory history = ReadEgoldHistory(reply, NumberFormat());
  ASSERT_EQ(history.rows.RowCount(), 3u);
  EXPECT_EQ(history.rows.Cell(0, kCellDate), "third");
  EXPECT_EQ(history.rows.Cell(2, kCellDate), "first");
  EXPECT_EQ(history.lastBatch, 300);

  const EgoldHistory shortLast =
      ReadEgoldHistory(std::string(kHeader) + "\n\"a\",\"b\",7\n\"c\",\"d\"", NumberFormat());
  EXPECT_FALSE(shortLast.lastBatch.has_value());
  const EgoldHistory badBatch = ReadEgoldHistory(std::string(kHeader) + "\n\"a\",\"b\",x7", NumberFormat());
  EXPECT_EQ(badBatch.lastBatch, 0);
}

// A 16-bit row counter is no rule of the data: every line of a long reply is listed, and a
// reader that works in slices gives the same rows and totals as one that reads at once.
TEST(EgoldHistoryReply, ListsEveryRowOfAReplyLongerThan65535RowsAlsoInSlices) {
  const std::size_t count = 70000;
  std::string reply = kHeader;
  for (std::size_t i = 1; i <= count; ++i)
    reply += "\r\n\"d\",\"Payment Received\"," + std::to_string(i) + ",Gold,1,2,\"n\",1,\"USD\"";
  const EgoldHistory whole = ReadEgoldHistory(reply, NumberFormat());
  ASSERT_EQ(whole.rows.RowCount(), count);
  EXPECT_EQ(whole.rows.Cell(0, kCellBatch), std::to_string(count));
  EXPECT_EQ(whole.rows.Cell(count - 1, kCellBatch), "1");
  EXPECT_EQ(whole.totals.received, CurrencyFromUnits(int64_t(count)));

  EgoldHistoryReader reader(reply, NumberFormat());
  HistoryTable sliced;
  std::size_t slices = 0;
  while (!reader.Done()) {
    const std::size_t before = sliced.RowCount();
    EXPECT_LE(reader.ReadSome(999, sliced), 999u);
    EXPECT_GT(sliced.RowCount(), before);
    ++slices;
  }
  EXPECT_EQ(slices, (count + 998) / 999);
  ASSERT_EQ(sliced.RowCount(), count);
  for (std::size_t row : {std::size_t(0), std::size_t(998), std::size_t(999), count - 1})
    EXPECT_EQ(sliced.Row(row), whole.rows.Row(row));
  EXPECT_EQ(reader.Summary().totals.received, whole.totals.received);
  EXPECT_EQ(reader.Summary().lastBatch, int32_t(count));
}

}  // namespace
}  // namespace nummora
