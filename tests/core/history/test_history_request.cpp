#include <gtest/gtest.h>

#include <string>

#include "common/datetime.h"
#include "history/history_request.h"

namespace nummora {
namespace {

struct QueryCase {
  const char* name;
  HistoryFilters filters;
  std::string query;
};

HistoryFilters Period(int fromDay, int toDay) {
  HistoryFilters f;
  f.from = EncodeDate(2006, 3, fromDay);
  f.to = EncodeDate(2006, 11, toDay);
  return f;
}

HistoryFilters AllKinds() {
  HistoryFilters f = Period(7, 30);
  f.inExchanges = f.outExchanges = f.redemptions = f.bailments = f.fees = f.incentives = true;
  return f;
}

HistoryFilters NoKinds() {
  HistoryFilters f = Period(7, 30);
  f.received = f.made = false;
  return f;
}

HistoryFilters Filtered() {
  HistoryFilters f = NoKinds();
  f.fees = true;
  f.batch = "41000007";
  f.recipient = "100 1&x=2";
  f.merchant = "P+1";
  return f;
}

const char kDates[] =
    "?initial=1&oldsort=tstamp&startmonth=3&startday=7&startyear=2006&endmonth=11&endday=30&endyear=2006";

class EgoldHistoryQueryText : public testing::TestWithParam<QueryCase> {};

TEST_P(EgoldHistoryQueryText, CarriesPeriodKindsAndFilters) {
  EXPECT_EQ(EgoldHistoryQuery(GetParam().filters), GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EgoldHistoryQueryText,
    testing::Values(
        QueryCase{"defaults_received_and_made", Period(7, 30),
                  std::string(kDates) + "&paymentsreceived=1&paymentsmade=1"},
        QueryCase{
            "all_kinds_in_order", AllKinds(),
            std::string(kDates) +
                "&paymentsreceived=1&paymentsmade=1&inexchanges=1&outexchanges=1&redemptions=1&bailments=1"
                "&fees=1&incentives=1"},
        QueryCase{"no_kinds", NoKinds(), kDates},
        // Typed filters stay inside their own item: "&", "=", blanks and "+" are encoded.
        QueryCase{"filters_encoded", Filtered(),
                  std::string(kDates) +
                      "&fees=1&batchfilter=%34%31%30%30%30%30%30%37&counterfilter=%31%30%30+%31%26x%3d%32"
                      "&paymentidfilter=P%2b%31"}),
    [](const testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

const char kExportHeader[] =
    "\"Date\",\"Type\",\"Batch\",\"Metal\",\"Ounces\",\"Counterparty\",\"Counterparty Name\",\"Amount\","
    "\"Unit\",\"USD per oz\",\"Memo\",\"PAYMENT_ID\"\r\n";

// A line of the export whose memo is `memo`, as a payer wrote it.
std::string ExportWithMemo(const std::string& memo) {
  return std::string(kExportHeader) +
         "\"03/01/2024 10:00:00\",\"Payment Received\",1005,Gold,0.01,1001002,\"Bob "
         "Metals\",6.50,\"USD\",650,\"" +
         memo + "\",\"inv-1\"\r\n";
}

const char kLoginMessage[] =
    "Could not login to account 1001001. Either Automation Access not enabled, IP Attribute does not match, "
    "or PassPhrase is incorrect.";

struct ReplyCase {
  const char* name;
  int type;  // 0 e-gold, 1 Liberty Reserve
  bool succeeded;
  std::string reply;
  std::string message;
};

class HistoryReplyJudged : public testing::TestWithParam<ReplyCase> {};

TEST_P(HistoryReplyJudged, GivesTheMessageOrNone) {
  const ReplyCase& c = GetParam();
  EXPECT_EQ(HistoryReplyMessage(static_cast<AccountType>(c.type), c.succeeded, c.reply, "1001001"),
            c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HistoryReplyJudged,
    testing::Values(
        ReplyCase{"transport_failure", 0, false, "\"Date\"\r\n\"d\"", "Connection problem"},
        ReplyCase{"lr_transport_failure", 1, false, "", "Connection problem"},
        ReplyCase{"egold_empty", 0, true, "", "No Records Found"},
        ReplyCase{"egold_no_records", 0, true, "No Records Found", "No Records Found"},
        ReplyCase{"egold_no_records_with_more", 0, true, "No Records Found\r\n", ""},
        ReplyCase{"egold_rows", 0, true, "\"Date\"\r\n\"d\",\"Payment Made\"", ""},
        ReplyCase{"egold_error_page", 0, true,
                  "<html><input type=hidden name=ERROR value=\"Automation temporarily unavailable\"></html>",
                  "Automation temporarily unavailable"},
        // What other people wrote into the rows of an export never makes it an error page.
        ReplyCase{"egold_memo_with_the_login_sentence", 0, true,
                  ExportWithMemo("Could not login to account."), ""},
        ReplyCase{"egold_memo_with_an_error_field", 0, true,
                  ExportWithMemo("<input type=hidden name=ERROR value=\"\"Bad amount\"\">"), ""},
        // Replies that are no export are read for the error texts as before.
        ReplyCase{"egold_login_page", 0, true, "<html>\r\n<p>Could not login to account.</p>\r\n</html>",
                  kLoginMessage},
        ReplyCase{"egold_login_sentence_with_commas", 0, true,
                  "Could not login to account. Either Automation Access not enabled, IP Attribute does not "
                  "match, or PassPhrase is incorrect.",
                  kLoginMessage},
        ReplyCase{"egold_html_header_with_commas", 0, true,
                  "<p>a,b,c,d,e,f,g,h,i,j,k,l</p>\r\nCould not login to account.", kLoginMessage},
        ReplyCase{"lr_error", 1, true,
                  "<HistoryResponse><Error><Code>300</Code><Text>Account not found</Text><Description>"
                  "none</Description></Error></HistoryResponse>",
                  "Error 300: Account not found (none)"},
        ReplyCase{"lr_page", 1, true, "<HistoryResponse><Pager></Pager></HistoryResponse>", ""},
        ReplyCase{"lr_empty_goes_to_the_viewer", 1, true, "", ""}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST(HistoryReplyJudged, LoginFailureNamesTheAccount) {
  const std::string message =
      HistoryReplyMessage(AccountType::Egold, true, "<p>Could not login to account.</p>", "1001001");
  EXPECT_NE(message.find("1001001"), std::string::npos) << message;
}

// Every page is saved, in order, each line ended by CR LF.
TEST(HistoryFileText, HoldsEveryReplyLineByLine) {
  EXPECT_EQ(HistoryFileText({"h\na\r\nb", "<p1/>", "x\ry\r\n"}), "h\r\na\r\nb\r\n<p1/>\r\nx\r\ny\r\n");
  EXPECT_EQ(HistoryFileText({}), "");
}

}  // namespace
}  // namespace nummora
