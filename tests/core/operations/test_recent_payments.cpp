// The fetch of recent e-gold payments: the query's date range, and the reading of the CSV reply
// with the stop at the first already known transaction, the duplicate rule and the cells of a
// row as far as a line has fields.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "operations/recent_payments.h"

using namespace nummora;

namespace {

const std::string kHeader =
    "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counterparty\",\"Counterparty Name\","
    "\"Amount\",\"Unit\",\"USD per oz\",\"Memo\",\"PAYMENT_ID\"\r\n";

std::string Line(int batch, const std::string& memo = "\"m\"") {
  return "\"03/01/2024 10:00:00\",\"Payment Received\"," + std::to_string(batch) +
         ",Gold,0.01,1001001,\"Alice, Goldsmith\",6.50,\"USD\",650," + memo + ",\"inv-" +
         std::to_string(batch) + "\"\r\n";
}

struct ReadCase {
  const char* name;
  std::string reply;
  int32_t knownBatch;
  std::set<int64_t> listed;
  std::vector<std::string> captions;  // the rows taken, in reply order
};

class ReadRecentPaymentsRule : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadRecentPaymentsRule, TakesNewPaymentsUpToTheKnownBatch) {
  const ReadCase& c = GetParam();
  const auto rows =
      ReadRecentPayments(c.reply, c.knownBatch, [&c](int64_t n) { return c.listed.count(n) > 0; });
  std::vector<std::string> captions;
  for (const OperationRow& row : rows) {
    captions.push_back(row.caption);
    EXPECT_EQ(row.kind, OperationKind::Received);
  }
  EXPECT_EQ(captions, c.captions);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadRecentPaymentsRule,
    ::testing::Values(
        ReadCase{"StopsAtKnownBatch",
                 kHeader + Line(1003) + Line(1002) + Line(1000) + Line(998),
                 1000,
                 {},
                 {"1003", "1002"}},
        ReadCase{"StopsBelowKnownBatch", kHeader + Line(1003) + Line(999) + Line(1002), 1000, {}, {"1003"}},
        ReadCase{"AlreadyListedSkipped", kHeader + Line(1003) + Line(1002), 1000, {1003}, {"1002"}},
        ReadCase{"SameBatchTwiceInReply",
                 kHeader + Line(1003) + Line(1003) + Line(1001),
                 1000,
                 {},
                 {"1003", "1001"}},
        ReadCase{"HeaderOnlySkipped", kHeader, 0, {}, {}},
        ReadCase{"NoRecords", "No Records Found", 0, {}, {}},
        // A login page or other text: no line has an integer in field 2, nothing stops or adds.
        ReadCase{"OtherPage", "<html>\r\n<p>Could not login to account.</p>\r\n</html>", 0, {}, {}},
        // An error page is no export: a line of it that splits at commas adds no payment.
        ReadCase{"ErrorPageLineWithANumber",
                 "<html><p>Could not login to account.</p>\r\nx,y,1005\r\n</html>",
                 1000,
                 {},
                 {}},
        ReadCase{"NotANumberGoesOn", kHeader + "x,y,abc\r\n" + Line(1005), 1000, {}, {"1005"}},
        ReadCase{"LfOnlyAndCrOnlyLines",
                 kHeader.substr(0, kHeader.size() - 2) + "\n" + "d,t,7\r" + "d,t,6\n",
                 5,
                 {},
                 {"7", "6"}},
        ReadCase{"EmptyReply", "", 0, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadRecentPayments, CellsFollowTheFieldsALineHas) {
  const auto rows =
      ReadRecentPayments(kHeader + Line(1003, "\"rent, march\"") +
                             "\"03/02/2024 09:00:00\",\"Payment Received\",1002,Gold,0.5,1001009,"
                             "\"Bob\",\"5\"\r\n" +
                             "\"03/03/2024\",x,1001\r\n",
                         1000, nullptr);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"03/01/2024 10:00:00", "Alice, Goldsmith (1001001)",
                                                     "6.50 USD", "rent, march", "inv-1003"}));
  // Eight fields: the amount with an empty unit, nothing after it.
  EXPECT_EQ(rows[1].cells, (std::vector<std::string>{"03/02/2024 09:00:00", "Bob (1001009)", "\"5\" "}));
  // Three fields: the date alone.
  EXPECT_EQ(rows[2].cells, (std::vector<std::string>{"03/03/2024"}));
}

TEST(RecentPaymentsQuery, FromBatchDateOrYesterdayToToday) {
  const TDateTime today = EncodeDateTime(2024, 3, 1, 15, 30, 0);
  EXPECT_EQ(RecentPaymentsQuery(EncodeDate(2024, 2, 9), today),
            "?initial=1&oldsort=batch_num&desc=1&startmonth=2&startday=9&startyear=2024"
            "&endmonth=3&endday=1&endyear=2024&paymentsreceived=1");
  // Never set (or cleared): yesterday, across the month's end.
  for (TDateTime unset : {TDateTime(0), EncodeDate(1995, 12, 31)})
    EXPECT_EQ(RecentPaymentsQuery(unset, today),
              "?initial=1&oldsort=batch_num&desc=1&startmonth=2&startday=29&startyear=2024"
              "&endmonth=3&endday=1&endyear=2024&paymentsreceived=1");
}

TEST(OperationRows, PaymentRecordAndNoticeOfARow) {
  PaymentRecord r{"Spent",      "41000123", "Savings (1001001)",   "1001002",
                  "Bob Metals", "1.5",      "troy ounces of Gold", "rent",
                  "inv 9"};
  const OperationRow row = PaymentRecordRow(r, EncodeDateTime(2006, 3, 7, 9, 5, 0));
  EXPECT_EQ(row.kind, OperationKind::Spent);
  EXPECT_EQ(row.cells,
            (std::vector<std::string>{"3/7/2006 9:5", "Bob Metals (1001002)", "1.5 of troy ounces of Gold",
                                      "rent", "inv 9", "Savings (1001001)"}));
  r.kind = "Received";
  EXPECT_EQ(PaymentRecordRow(r, 0).kind, OperationKind::Other);
  const PaymentNotice n = NoticeOfRow(row);
  EXPECT_EQ(n.type, AccountType::Egold);
  EXPECT_EQ(n.batch, "41000123");
  EXPECT_EQ(n.recipient, "Bob Metals (1001002)");
  EXPECT_EQ(n.amount, "1.5 of troy ounces of Gold");
  EXPECT_EQ(n.sender, "Savings (1001001)");
  // A row without cells gives no batch.
  EXPECT_EQ(NoticeOfRow(OperationRow{"7", {}, OperationKind::Spent}).batch, "");
}

TEST(OperationRows, SortByNumberHighestFirstTextLast) {
  EXPECT_TRUE(OperationListedBefore("1003", "999"));
  EXPECT_FALSE(OperationListedBefore("999", "1003"));
  EXPECT_TRUE(OperationListedBefore("5", "abc"));
  EXPECT_FALSE(OperationListedBefore("abc", "5"));
  EXPECT_FALSE(OperationListedBefore("7", "7"));
}

}  // namespace
