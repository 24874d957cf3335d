#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "payments/lr_mass.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

TEST(SplitMassFields, CommasQuotesAndEmptyFields) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitMassFields("U1, 5 , memo"), (V{"U1", " 5 ", " memo"}));
  EXPECT_EQ(SplitMassFields("U1,,m,"), (V{"U1", "", "m", ""}));
  EXPECT_EQ(SplitMassFields("U1,1,'a,b',\"c,'d\""), (V{"U1", "1", "'a,b'", "\"c,'d\""}));
  EXPECT_EQ(SplitMassFields(""), (V{""}));
}

struct ListRow {
  std::string account, payee, amount, memo, transferId;
  bool hasTransferId;
  MassLineProblem problem;
};

// One mass list holding every kind of line, blank lines among them.
TEST(ReadMassList, BlankLinesGoAndEveryOtherLineKeepsItsPlace) {
  const std::string text =
      "U11, 5 , rent\r\n"
      "\r\n"
      "  \t \n"
      " U12\n"
      "word,1\n"
      "U13,,m\n"
      "U14,abc,m\r"
      "U15,1e1,'a,b', inv 7 \n"
      "U16,1,000\n";
  const std::vector<ListRow> expected = {
      {"U11", "U11", "5", "rent", "", false, MassLineProblem::None},
      {" U12", "U12", "3.5", "def", "", false, MassLineProblem::None},
      {"word", "word", "1", "def", "", false, MassLineProblem::IncorrectAccount},
      {"U13", "U13", "", "m", "", false, MassLineProblem::IncorrectAmount},
      {"U14", "U14", "abc", "m", "", false, MassLineProblem::IncorrectAmount},
      {"U15", "U15", "1e1", "'a,b'", "inv 7", true, MassLineProblem::None},
      {"U16", "U16", "1", "000", "", false, MassLineProblem::None},
  };
  const std::vector<MassLine> lines = ReadMassList(text, "3.5", "def", NumberFormat());
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i].account, expected[i].account);
    EXPECT_EQ(lines[i].transfer.payee, expected[i].payee);
    EXPECT_EQ(lines[i].transfer.amount, expected[i].amount);
    EXPECT_EQ(lines[i].transfer.memo, expected[i].memo);
    EXPECT_EQ(lines[i].transfer.transferId, expected[i].transferId);
    EXPECT_EQ(lines[i].transfer.hasTransferId, expected[i].hasTransferId);
    EXPECT_EQ(lines[i].problem, expected[i].problem);
  }
  EXPECT_EQ(MassPayees(lines), (std::vector<std::string>{"U11", "U12", "U15", "U16"}));
  EXPECT_EQ(MassTransfers(lines).size(), 4u);
}

struct RowView {
  std::string caption, amount, memo, transferId;
  MassRowState state;
};

void ExpectRows(const MassTable& table, const std::vector<RowView>& rows) {
  ASSERT_EQ(table.rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table.rows[i].caption, rows[i].caption);
    EXPECT_EQ(table.rows[i].amount, rows[i].amount);
    EXPECT_EQ(table.rows[i].memo, rows[i].memo);
    EXPECT_EQ(table.rows[i].transferId, rows[i].transferId);
    EXPECT_EQ(table.rows[i].state, rows[i].state);
  }
}

const std::string kList = "U11,5,a\n\nbad,1\nU12,x,b\nU13,2.5,c\nU14,1,d\n";

std::string NameAnswer(const std::string& account, const std::string& name) {
  return "<AccountName><AccountId>U1</AccountId><AccountToRetrieve>" + account +
         "</AccountToRetrieve><Name>" + name + "</Name></AccountName>";
}

std::string Receipt(const std::string& id, const std::string& payee, const std::string& name,
                    const std::string& amount = "-1.00") {
  return "<Receipt><ReceiptId>" + id + "</ReceiptId><PayeeName>" + name + "</PayeeName><Amount>" + amount +
         "</Amount><Fee>0.05</Fee><Transfer><Payer>U1</Payer><Payee>" + payee + "</Payee><Memo>m" + id +
         "</Memo></Transfer></Receipt>";
}

std::string Error(const std::string& text) {
  return "<Error><Code>401</Code><Text>" + text + "</Text><Description>d</Description></Error>";
}

// Replies answer the sent lines only (U11, U13, U14), so rows and replies stay in step.
TEST(ReadMassPreview, RowsStayInStepWithTheSentLines) {
  const std::vector<MassLine> lines = ReadMassList(kList, "1", "", NumberFormat());
  const MassTable table = ReadMassPreview(
      lines, NameAnswer("U11", "Erin") + Error("Account not found") + NameAnswer("U14", "F &amp; G"));
  ExpectRows(table, {{"Erin (U11)", "5", "a", "", MassRowState::NameFound},
                     {"bad", "", kIncorrectAccountText, "", MassRowState::NotConfirmed},
                     {"U12", "", kIncorrectAmountText, "", MassRowState::NotConfirmed},
                     {"U13", "", "Account not found", "", MassRowState::NotConfirmed},
                     {"F & G (U14)", "1", "d", "", MassRowState::NameFound}});
  EXPECT_EQ(table.count, 2);
  EXPECT_EQ(MassSummary(table, false), "Transactions count: 2    Total amount: 6 US Dollars");
}

TEST(ReadMassReceipt, PaidRefusedAndUnansweredRows) {
  const std::vector<MassLine> lines = ReadMassList(kList, "1", "", NumberFormat());
  const MassTable table = ReadMassReceipt(
      lines, Receipt("9", "U11", "Erin", "-5.00") + Error("Insufficient funds"), NumberFormat());
  ExpectRows(table, {{"Erin (U11)", "5", "m9", "9", MassRowState::Paid},
                     {"bad", "", kIncorrectAccountText, "", MassRowState::NotConfirmed},
                     {"U12", "", kIncorrectAmountText, "", MassRowState::NotConfirmed},
                     {"U13", "", "Insufficient funds", "", MassRowState::NotConfirmed},
                     {"U14", "", kPaymentUnknownText, "", MassRowState::NotConfirmed}});
  EXPECT_EQ(table.count, 1);
  EXPECT_EQ(table.unknown, 1);
  EXPECT_EQ(MassSummary(table, true), "Transactions count: 1    Total amount: 5 Euro");
}

// Every answer of a reply goes to its own line, whatever the server writes between them and
// whichever answers it leaves out; a line whose answer cannot be matched is never paid.
struct MatchRow {
  const char* name;
  std::string list;
  std::string reply;
  std::vector<std::string> rows;  // per line: "paid <id> <caption>", "name <caption>" or the memo
};

std::vector<std::string> Described(const MassTable& table) {
  std::vector<std::string> out;
  for (const MassRow& row : table.rows) {
    if (row.state == MassRowState::Paid)
      out.push_back("paid " + row.transferId + " " + row.caption);
    else if (row.state == MassRowState::NameFound)
      out.push_back("name " + row.caption);
    else
      out.push_back(row.memo);
  }
  return out;
}

const std::string kThree = "U11,1\nU12,1\nU13,1\n";
const std::string kSpacedReceipts = "<TransferResponse>\r\n  " + Receipt("9", "U11", "Erin") + "\r\n  " +
                                    Error("Insufficient funds") + "\r\n  " + Receipt("10", "U13", "Gus") +
                                    "\r\n</TransferResponse>\r\n";

class MassReceiptMatching : public ::testing::TestWithParam<MatchRow> {};

TEST_P(MassReceiptMatching, EachLineGetsItsOwnAnswer) {
  const std::vector<MassLine> lines = ReadMassList(GetParam().list, "1", "", NumberFormat());
  const MassTable table = ReadMassReceipt(lines, GetParam().reply, NumberFormat());
  EXPECT_EQ(Described(table), GetParam().rows);
  int paid = 0;
  int unknown = 0;
  for (const std::string& row : GetParam().rows) {
    paid += row.rfind("paid ", 0) == 0;
    unknown += row == kPaymentUnknownText;
  }
  EXPECT_EQ(table.count, paid);
  EXPECT_EQ(table.unknown, unknown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MassReceiptMatching,
    ::testing::Values(
        MatchRow{"Touching",
                 kThree,
                 Receipt("9", "U11", "Erin") + Error("Insufficient funds") + Receipt("10", "U13", "Gus"),
                 {"paid 9 Erin (U11)", "Insufficient funds", "paid 10 Gus (U13)"}},
        MatchRow{"WhiteSpaceBetween",
                 kThree,
                 kSpacedReceipts,
                 {"paid 9 Erin (U11)", "Insufficient funds", "paid 10 Gus (U13)"}},
        MatchRow{"TabsAndLineFeeds",
                 kThree,
                 Receipt("9", "U11", "Erin") + "\n\t" + Error("Insufficient funds") + "\n\t" +
                     Receipt("10", "U13", "Gus"),
                 {"paid 9 Erin (U11)", "Insufficient funds", "paid 10 Gus (U13)"}},
        // A line the reply has no answer for is unknown, and the next receipt keeps its own line.
        MatchRow{"MiddleAnswerMissing",
                 kThree,
                 Receipt("9", "U11", "Erin") + Receipt("10", "U13", "Gus"),
                 {"paid 9 Erin (U11)", kPaymentUnknownText, "paid 10 Gus (U13)"}},
        MatchRow{"ReceiptForAnAccountNotSent",
                 kThree,
                 Receipt("9", "U11", "Erin") + Receipt("10", "U99", "Zed") + Receipt("11", "U13", "Gus"),
                 {"paid 9 Erin (U11)", kPaymentUnknownText, "paid 11 Gus (U13)"}},
        MatchRow{"ReceiptWithoutPayee",
                 kThree,
                 "<Receipt><ReceiptId>9</ReceiptId><PayeeName>Erin</PayeeName></Receipt>" +
                     Receipt("10", "U12", "Fay") + Receipt("11", "U13", "Gus"),
                 {kPaymentUnknownText, "paid 10 Fay (U12)", "paid 11 Gus (U13)"}},
        MatchRow{"OutOfOrder",
                 kThree,
                 Receipt("11", "U13", "Gus") + Receipt("9", "U11", "Erin"),
                 {kPaymentUnknownText, kPaymentUnknownText, "paid 11 Gus (U13)"}},
        MatchRow{"SamePayeeTwice",
                 "U11,1\nU11,2\nbad\nU12,1\n",
                 Receipt("9", "U11", "Erin") + Receipt("10", "U11", "Erin") + Receipt("11", "U12", "Fay"),
                 {"paid 9 Erin (U11)", "paid 10 Erin (U11)", kIncorrectAccountText, "paid 11 Fay (U12)"}},
        // Blanks around the account do not count; a receipt naming "U1" is not one for "U12"
        // (nor for any other line: it takes the next line's place, which stays unknown).
        MatchRow{"AccountsCompareWhole",
                 kThree,
                 Receipt("9", " U11\r\n", "Erin") + Receipt("10", "U1", "Ann") + Receipt("11", "U13", "Gus"),
                 {"paid 9 Erin (U11)", kPaymentUnknownText, "paid 11 Gus (U13)"}},
        MatchRow{"NothingAnswered",
                 kThree,
                 "<html>Bad gateway</html>",
                 {kPaymentUnknownText, kPaymentUnknownText, kPaymentUnknownText}},
        // A receipt too long for the tag routines ends the walk; the lines after it stay unknown.
        MatchRow{"UnreadableReceipt",
                 kThree,
                 Receipt("9", "U11", "Erin") + "<Receipt><Memo>" + std::string(70000, 'm') +
                     "</Memo></Receipt>" + Receipt("11", "U13", "Gus"),
                 {"paid 9 Erin (U11)", kPaymentUnknownText, kPaymentUnknownText}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadMassReceipt, MegabytesAreReadInLinearTime) {
  // 20000 lines to two payees in turn, the last one refused: about 4 MB of reply.
  std::string list;
  std::string reply = "<TransferResponse>";
  for (int i = 0; i < 20000; ++i) {
    const std::string payee = i % 2 ? "U12" : "U11";
    list += payee + ",1\n";
    reply += "\r\n  " + (i == 19999 ? Error("Insufficient funds") : Receipt(std::to_string(i), payee, "P"));
  }
  const std::vector<MassLine> lines = ReadMassList(list, "1", "", NumberFormat());
  const auto start = std::chrono::steady_clock::now();
  const MassTable table = ReadMassReceipt(lines, reply, NumberFormat());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(table.count, 19999);
  EXPECT_EQ(table.unknown, 0);
  EXPECT_EQ(table.rows[19998].transferId, "19998");
  EXPECT_EQ(table.rows[19998].caption, "P (U11)");
  EXPECT_EQ(table.rows[19999].memo, "Insufficient funds");
  EXPECT_LT(elapsed, std::chrono::seconds(10));  // well under a second when linear
}

class MassPreviewMatching : public ::testing::TestWithParam<MatchRow> {};

TEST_P(MassPreviewMatching, EachLineGetsItsOwnName) {
  const std::vector<MassLine> lines = ReadMassList(GetParam().list, "1", "", NumberFormat());
  EXPECT_EQ(Described(ReadMassPreview(lines, GetParam().reply)), GetParam().rows);
}

const std::string kNoAnswer = "No answer for this account";

INSTANTIATE_TEST_SUITE_P(
    Replies, MassPreviewMatching,
    ::testing::Values(MatchRow{"WhiteSpaceBetween",
                               kThree,
                               NameAnswer("U11", "Erin") + "\r\n" + Error("Account not found") + "\r\n" +
                                   NameAnswer("U13", "Gus"),
                               {"name Erin (U11)", "Account not found", "name Gus (U13)"}},
                      MatchRow{"MiddleAnswerMissing",
                               kThree,
                               NameAnswer("U11", "Erin") + NameAnswer("U13", "Gus"),
                               {"name Erin (U11)", kNoAnswer, "name Gus (U13)"}},
                      MatchRow{"NameOfAnAccountNotSent",
                               kThree,
                               NameAnswer("U99", "Zed") + NameAnswer("U12", "Fay") + NameAnswer("U13", "Gus"),
                               {kNoAnswer, "name Fay (U12)", "name Gus (U13)"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nummora
