#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// --- where the server puts the Pager: every layout gives the same rows and the same pager ---

struct LayoutCase {
  const char* name;
  std::string page;
  std::size_t rows = 3;
};

const std::string kThreeReceipts =
    Receipt("21", "Erin Shop", "Frank Zero", "1.00", "U1000002", "U1000003", "LRUSD", "one", "") +
    Receipt("22", "Erin Shop", "Frank Zero", "2.00", "U1000002", "U1000003", "LRUSD", "two", "") +
    Receipt("23", "Erin Shop", "Frank Zero", "3.00", "U1000002", "U1000003", "LRUSD", "three", "");
const std::string kPager =
    "<Pager><PageSize>50</PageSize><PageNumber>2</PageNumber><PageCount>3</PageCount>"
    "<TotalCount>120</TotalCount></Pager>";

// White space between elements, as servers that indent their answers write them.
std::string Spaced(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<' && i > 0 && text[i - 1] == '>' && text.compare(i, 2, "</") != 0) out += "\r\n  ";
    out += text[i];
  }
  return out;
}

class LRHistoryPagerPlace : public testing::TestWithParam<LayoutCase> {};

TEST_P(LRHistoryPagerPlace, ReadsThePagerFromTheWholePage) {
  const LRHistoryPage read = ReadLRHistoryPage(GetParam().page, NumberFormat());
  EXPECT_EQ(read.error, "");
  EXPECT_EQ(read.pageNumber, 2);
  EXPECT_EQ(read.pageCount, 3);
  EXPECT_TRUE(read.MorePages());
  ASSERT_EQ(read.rows.RowCount(), GetParam().rows);
  EXPECT_EQ(read.rows.Cell(0, kCellBatch), "21");
  EXPECT_EQ(read.rows.Cell(2, kCellMemo), "three");
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LRHistoryPagerPlace,
    testing::Values(LayoutCase{"pager_after",
                               "<HistoryResponse id=\"1\">" + kThreeReceipts + kPager + "</HistoryResponse>"},
                    LayoutCase{"pager_first",
                               "<HistoryResponse id=\"1\">" + kPager + kThreeReceipts + "</HistoryResponse>"},
                    LayoutCase{"pager_first_spaced", Spaced("<HistoryResponse id=\"1\">" + kPager +
                                                            kThreeReceipts + "</HistoryResponse>")},
                    // Receipts beyond the 16-bit search of the page's start: the pager is still found.
                    LayoutCase{
                        "pager_after_a_long_page",
                        "<HistoryResponse id=\"1\">" + kThreeReceipts +
                            Receipt("24", "a", "b", "1", "c", "d", "LRUSD", std::string(60000, 'm'), "") +
                            Receipt("25", "a", "b", "1", "c", "d", "LRUSD", std::string(60000, 'm'), "") +
                            kPager + "</HistoryResponse>",
                        5}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// --- the paging of one history: where it goes on and where it stops ---

struct PagingCase {
  const char* name;
  // The pages the server answers, in order: page number, page count, bytes.
  std::vector<std::tuple<int, int, std::size_t>> pages;
  int listed;              // how many of them are listed
  std::string stopsWith;   // the start of the message the paging stops with; empty: none
  std::vector<int> asked;  // the pages asked for after each page listed (short runs)
};

class LRHistoryPagingRule : public testing::TestWithParam<PagingCase> {};

TEST_P(LRHistoryPagingRule, ListsPagesUntilTheLastOrAStop) {
  const PagingCase& c = GetParam();
  LRHistoryPaging paging;
  int listed = 0;
  std::string message;
  std::vector<int> asked;
  for (const auto& [number, count, bytes] : c.pages) {
    LRHistoryPage read;
    read.pageNumber = number;
    read.pageCount = count;
    const LRHistoryPaging::Step step = paging.Take(read, bytes);
    if (step.list) ++listed;
    message = step.message;
    if (!message.empty() || !paging.MorePages()) break;
    asked.push_back(paging.NextPage());
  }
  EXPECT_EQ(listed, c.listed);
  EXPECT_EQ(message.substr(0, c.stopsWith.size()), c.stopsWith) << message;
  EXPECT_EQ(message.empty(), c.stopsWith.empty()) << message;
  if (c.pages.size() < 100) {  // a long run is judged by its stop
    EXPECT_EQ(asked, c.asked);
  }
}

std::vector<std::tuple<int, int, std::size_t>> RaisingForEver() {
  std::vector<std::tuple<int, int, std::size_t>> pages;
  for (int n = 1; n <= kLRHistoryMaxPages + 5; ++n) pages.emplace_back(n, n + 1, 1000);
  return pages;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LRHistoryPagingRule,
    testing::Values(
        PagingCase{"three_pages", {{1, 3, 100}, {2, 3, 100}, {3, 3, 100}}, 3, "", {2, 3}},
        PagingCase{"one_page", {{1, 1, 100}}, 1, "", {}},
        PagingCase{"page_sent_again", {{1, 3, 100}, {1, 3, 100}}, 1, "The server sent page 1 again", {2}},
        PagingCase{"page_goes_back", {{2, 3, 100}, {1, 3, 100}}, 1, "The server sent page 1 again", {3}},
        // The next page asked for follows the number the server gave.
        PagingCase{"page_skipped", {{1, 9, 100}, {5, 6, 100}, {6, 6, 100}}, 3, "", {2, 6}},
        PagingCase{"count_keeps_rising",
                   RaisingForEver(),
                   kLRHistoryMaxPages,
                   "The history was cut short after " + std::to_string(kLRHistoryMaxPages) + " pages",
                   {}},
        PagingCase{"too_many_bytes",
                   {{1, 9, kLRHistoryMaxBytes / 2}, {2, 9, kLRHistoryMaxBytes / 2}, {3, 9, 100}},
                   2,
                   "The history was cut short after 2 pages",
                   {2}},
        // The last page may hold the most: nothing is left to cut.
        PagingCase{"last_page_past_the_bytes", {{1, 2, 100}, {2, 2, kLRHistoryMaxBytes}}, 2, "", {2}}),
    [](const testing::TestParamInfo<PagingCase>& info) { return std::string(info.param.name); });

TEST(LRHistoryPaging, StopsAtAPageInErrorWithoutListingIt) {
  LRHistoryPaging paging;
  LRHistoryPage first;
  first.pageNumber = 1;
  first.pageCount = 2;
  EXPECT_TRUE(paging.Take(first, 10).list);
  const LRHistoryPage failed = ReadLRHistoryPage("", NumberFormat());
  const LRHistoryPaging::Step step = paging.Take(failed, 0);
  EXPECT_FALSE(step.list);
  EXPECT_EQ(step.message, "Unknown Error");
  EXPECT_FALSE(paging.MorePages());
}

// The events list gets whole pages up to its share of one history, then a line per page.
TEST(LRHistoryPaging, WritesPagesToTheEventsListUpToItsShare) {
  LRHistoryPaging paging;
  const std::string page(kLRHistoryMaxLoggedBytes / 2, 'p');
  EXPECT_EQ(paging.EventText(page), page);
  EXPECT_EQ(paging.EventText(page), page);
  const std::string note = paging.EventText("x");
  EXPECT_EQ(note.rfind("(a history page of 1 bytes, not written here", 0), 0u) << note;
  EXPECT_LT(paging.EventText(page).size(), 200u);
}

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
  AccountRecord account;
  account.Type = AccountType::LibertyReserve;
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
