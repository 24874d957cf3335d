#include <gtest/gtest.h>

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

// Replies answer the sent lines only (U11, U13, U14), so rows and replies stay in step.
TEST(ReadMassPreview, RowsStayInStepWithTheSentLines) {
  const std::vector<MassLine> lines = ReadMassList(kList, "1", "", NumberFormat());
  const MassTable table = ReadMassPreview(
      lines,
      "<AccountName><Name>Erin</Name></AccountName><Error><Code>300</Code><Text>Account not found</Text>"
      "</Error><AccountName><Name>F &amp; G</Name></AccountName>");
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
      lines,
      "<Receipt><ReceiptId>9</ReceiptId><PayeeName>Erin</PayeeName><Amount>-5.00</Amount><Fee>0.05</Fee>"
      "<Transfer><Memo>a</Memo></Transfer></Receipt>"
      "<Error><Code>401</Code><Text>Insufficient funds</Text></Error>",
      NumberFormat());
  ExpectRows(table, {{"Erin (U11)", "5", "a", "9", MassRowState::Paid},
                     {"bad", "", kIncorrectAccountText, "", MassRowState::NotConfirmed},
                     {"U12", "", kIncorrectAmountText, "", MassRowState::NotConfirmed},
                     {"U13", "", "Insufficient funds", "", MassRowState::NotConfirmed},
                     {"U14", "", kPaymentUnknownText, "", MassRowState::NotConfirmed}});
  EXPECT_EQ(table.count, 1);
  EXPECT_EQ(table.unknown, 1);
  EXPECT_EQ(MassSummary(table, true), "Transactions count: 1    Total amount: 5 Euro");
}

}  // namespace
}  // namespace nummora
