#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/format_settings.h"
#include "common/text_routines.h"
#include "history/lr_history.h"
#include "net/liberty_reserve.h"

namespace nummora {
namespace {

using Cells = std::vector<std::string>;

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

std::string Receipt(const std::string& id, const std::string& payerName, const std::string& payeeName,
                    const std::string& amount, const std::string& payer, const std::string& payee,
                    const std::string& currency, const std::string& memo, const std::string& merchant) {
  return "<Receipt><ReceiptId>" + id + "</ReceiptId><Date>2008-05-03 14:07</Date><PayerName>" + payerName +
         "</PayerName><PayeeName>" + payeeName + "</PayeeName><Amount>" + amount +
         "</Amount><Fee>0.00</Fee><ClosingBalance>1.00</ClosingBalance><Transfer><TransferId>" + merchant +
         "</TransferId><TransferType>transfer</TransferType><Payer>" + payer + "</Payer><Payee>" + payee +
         "</Payee><CurrencyId>" + currency + "</CurrencyId><Amount>9.99</Amount><Memo>" + memo +
         "</Memo><Anonymous>false</Anonymous></Transfer><Merchant>" + merchant + "</Merchant></Receipt>";
}

std::string Page(const std::string& receipts, const std::string& number, const std::string& count) {
  return "<HistoryResponse id=\"1\" date=\"x\">" + receipts + "<Pager><PageSize>50</PageSize><PageNumber>" +
         number + "</PageNumber><PageCount>" + count +
         "</PageCount><TotalCount>3</TotalCount></Pager></HistoryResponse>";
}

TEST(LRHistoryPage, ReadsEveryReceiptInPageOrder) {
  const std::string page = Page(
      Receipt("11", "Erin Shop", "Dave Reserve", "12.50", "U1000002", "U1000001", "LRUSD", "tea", "T-1") +
          Receipt("12", "", "Dave Reserve", "0.0100", "", "U1000001", "LREUR", "", "") +
          Receipt("13", "Dave Reserve", "Frank Zero", "-1,000.5", "U1000001", "U1000003", "LRUSD", "x", "") +
          Receipt("14", "Dave Reserve", "Frank Zero", "-7.25", "U1000001", "U1000003", "GOLD", "m", "M-9"),
      "2", "3");
  const LRHistoryPage read = ReadLRHistoryPage(page, NumberFormat());
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(read.pageNumber, 2);
  EXPECT_EQ(read.pageCount, 3);
  EXPECT_TRUE(read.MorePages());
  ASSERT_EQ(read.rows.RowCount(), 4u);
  EXPECT_EQ(read.rows.Row(0), (Cells{"2008-05-03 14:07", "Payment Received", "11", "Erin Shop (U1000002)",
                                     "12.5", "USD", "tea", "T-1", "", "U1000002"}));
  // A payer who hid its name is "Private", with no account number to add or copy.
  EXPECT_EQ(read.rows.Row(1),
            (Cells{"2008-05-03 14:07", "Payment Received", "12", "Private", "0.01", "EUR", "", "", "", ""}));
  // An amount that does not read (thousands separator) counts as zero: no type.
  EXPECT_EQ(read.rows.Cell(2, kCellType), "");
  EXPECT_EQ(read.rows.Cell(2, kCellAmount), "0");
  EXPECT_EQ(read.rows.Row(3), (Cells{"2008-05-03 14:07", "Payment Made", "14", "Frank Zero (U1000003)",
                                     "7.25", "GOLD", "m", "M-9", "", "U1000003"}));
}

struct PageCase {
  const char* name;
  std::string page;
  std::string error;
  int number;
  int count;
  bool more;
};

class LRHistoryPageOutcome : public testing::TestWithParam<PageCase> {};

TEST_P(LRHistoryPageOutcome, GivesErrorAndPager) {
  const LRHistoryPage read = ReadLRHistoryPage(GetParam().page, NumberFormat());
  EXPECT_EQ(read.error, GetParam().error);
  EXPECT_EQ(read.pageNumber, GetParam().number);
  EXPECT_EQ(read.pageCount, GetParam().count);
  EXPECT_EQ(read.MorePages(), GetParam().more);
  if (!read.error.empty()) {
    EXPECT_EQ(read.rows.RowCount(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LRHistoryPageOutcome,
    testing::Values(
        PageCase{"empty_page", "", "Unknown Error", 0, 0, false},
        PageCase{"error_answer",
                 "<HistoryResponse><Error><Code>200</Code><Text>Authentication failed</Text><Description>Bad "
                 "token</Description></Error></HistoryResponse>",
                 "Error 200: Authentication failed (Bad token)", 0, 0, false},
        PageCase{"last_page", Page("", "3", "3"), "", 3, 3, false},
        PageCase{"first_of_three", Page(Receipt("1", "a", "b", "1", "c", "d", "LRUSD", "", ""), "1", "3"), "",
                 1, 3, true},
        PageCase{"missing_pager", "<HistoryResponse></HistoryResponse>", "", 0, 0, false},
        PageCase{"pager_not_numbers", Page("", "one", "3"), "", 0, 3, true},
        PageCase{"pager_beyond_16_bits", Page("", "1", "70000"), "", 1, 0, false}),
    [](const testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

// A receipt that puts the rest of the page beyond the reach of the 16-bit search does not
// crash the reader: it reports that the page could not be read.
TEST(LRHistoryPage, ReportsAPageItCannotSearch) {
  const std::string page = "<HistoryResponse><Receipt><Memo>" + std::string(70000, 'm') +
                           "</Memo></Receipt>" + "</HistoryResponse>";
  const LRHistoryPage read = ReadLRHistoryPage(page, NumberFormat());
  EXPECT_NE(read.error, "");
  EXPECT_FALSE(read.MorePages());
}

TEST(LRHistoryRequest, CoversWholeLocalDaysAndCarriesTheFiltersAsElementText) {
  TAccount account;
  account.Type = kAccountTypeLibertyReserve;
  account.ID = "U1000001";
  account.APIname = "daveapi";
  account.Password = "davesecret";
  FixedClock clock(EncodeDateTime(2008, 5, 3, 12, 0, 0), -120);  // local time is UTC+2
  ScopedClock use(&clock);
  HistoryFilters filters;
  filters.from = EncodeDateTime(2008, 5, 1, 15, 30, 0);
  filters.to = EncodeDate(2008, 5, 3);
  filters.recipient = "U1000002";
  filters.merchant = "a&b <c>";
  const TDateTime utc = EncodeDateTime(2008, 5, 3, 10, 0, 0);
  const std::string prefix = LRHistoryRequestPrefix(account, filters, "1080503120000000", utc);
  EXPECT_EQ(prefix,
            "<HistoryRequest id=\"1080503120000000\">" + LRAuthBlock(account, utc) +
                "<History><AccountId>U1000001</AccountId><From>2008-30-04 22:00:00</From>"
                "<Till>2008-03-05 21:59:00</Till><CorrespondingAccountId>U1000002</CorrespondingAccountId>"
                "<TransferId>a&#38;b &#60;c&#62;</TransferId>");
  EXPECT_EQ(LRHistoryPageRequest(prefix, 2),
            prefix +
                "<Pager><PageSize>50</PageSize><PageNumber>2</PageNumber></Pager>"
                "</History></HistoryRequest>");
}

}  // namespace
}  // namespace nummora
