// nummora-cli history against the sandbox: a Liberty Reserve history of several pages printed
// whole as CSV, an e-gold history as a table with its totals, and a refusal; memos other people
// wrote (an error sentence, terminal escapes, a spreadsheet formula) listed as data.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "net/form_encoding.h"
#include "net/http_client.h"
#include "profile/document.h"
#include "profile/model.h"
#include "support/cli_sandbox_test.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSecrets = {"alice gold 2006", "frankword"};

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", std::localtime(&now));
  return buf;
}

class CliHistoryE2E : public test::CliSandboxTest {
 protected:
  void SetUp() override {
    CliSandboxTest::SetUp();
    if (HasFatalFailure()) return;
    AccountRecord alice;
    alice.ID = "1001001";
    alice.Password = kSecrets[0];
    AccountRecord frank;
    frank.Type = AccountType::LibertyReserve;
    frank.ID = "U1000003";
    frank.APIname = "frankapi";
    frank.Password = kSecrets[1];
    WriteProfile({alice, frank});
  }

  // Bob pays Alice today, with this memo and merchant reference.
  void BobPaysAlice(const std::string& memo, const std::string& merchant) {
    HttpOptions options;
    options.CAFile = sandbox_->CaFile();
    HttpClient client(options);
    const HttpResult paid = client.Post(
        sandbox_->EgoldSecureUrl() + "/acct/confirm.asp",
        EncodeFormBody({"AccountID=1001002", "PassPhrase=bobmetals77", "Payee_Account=1001001", "Amount=0.01",
                        "PAY_IN=9999", "WORTH_OF=Gold", "Memo=" + memo, "PAYMENT_ID=" + merchant}));
    ASSERT_TRUE(paid.Succeeded) << paid.Message;
    ASSERT_NE(paid.Body.find("PAYMENT_BATCH_NUM"), std::string::npos) << paid.Body;
  }

  test::CliResult History(std::vector<std::string> extra) {
    std::vector<std::string> args = {
        "history", "--profile", profile_, "--password-stdin", "--volume-serial", kSerialArg, "--from",
        Today(),   "--to",      Today()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, kProfilePassword + "\n", kSecrets);
  }
};

TEST_F(CliHistoryE2E, PrintsEveryLibertyReservePageAsCsv) {
  std::string reply;
  ASSERT_TRUE(sandbox_->Control(
      "POST", "/control/lr-transfers",
      "{\"payer\": \"U1000002\", \"payee\": \"U1000003\", \"count\": 75, \"memo\": \"csv, row\"}", &reply));
  const test::CliResult r = History({"U1000003", "--csv"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("\"Date\",\"Type\",\"Transaction "
                        "ID\",\"To/From\",\"Amount\",\"Currency\",\"Memo\",\"Merchant\"\r\n",
                        0),
            0u)
      << r.out.substr(0, 200);
  // 75 receipts take two pages of 50; every one is printed once, memo commas kept in quotes.
  EXPECT_EQ(Count(r.out, "\"csv, row "), 75u);
  EXPECT_EQ(Count(r.out, "\"csv, row 1\""), 1u);
  EXPECT_EQ(Count(r.out, "\"csv, row 75\""), 1u);
  EXPECT_EQ(Count(r.out, "\"Payment Received\",\""), Count(r.out, "\r\n") - 1);
}

TEST_F(CliHistoryE2E, PrintsAnEgoldTableWithTotalsAndReportsRefusals) {
  // Bob pays Alice today, so that her history of today holds a payment received.
  HttpOptions options;
  options.CAFile = sandbox_->CaFile();
  HttpClient client(options);
  ASSERT_TRUE(
      client
          .Post(sandbox_->EgoldSecureUrl() + "/acct/confirm.asp",
                FormBodyFromText("AccountID=1001002\r\nPassPhrase=bobmetals77\r\nPayee_Account=1001001\r\n"
                                 "Amount=0.02\r\nPAY_IN=9999\r\nWORTH_OF=Gold\r\nMemo=cli\r\nPAYMENT_ID=C-1"))
          .Succeeded);
  const test::CliResult table = History({"1001001", "--type", "all"});
  ASSERT_EQ(table.code, 0) << table.err;
  EXPECT_EQ(table.out.rfind("Date", 0), 0u);
  EXPECT_NE(table.out.find("e-metal"), std::string::npos);
  EXPECT_NE(table.out.find("Bob Metals (1001002)"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("Total received: $"), std::string::npos) << table.out;

  ASSERT_TRUE(sandbox_->AddFaultJson("{\"kind\": \"login\", \"path\": \"/acct/historycsv.asp\"}"));
  const test::CliResult refused = History({"1001001"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("1001001"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");

  const test::CliResult usage = History({"1001001", "--type", "gifts"});
  EXPECT_EQ(usage.code, 2);
}

// A server that writes the Pager before the receipts (and white space between elements) has
// every page asked for and printed.
TEST_F(CliHistoryE2E, PrintsEveryPageWhenThePagerComesFirst) {
  std::string reply;
  ASSERT_TRUE(sandbox_->Control(
      "POST", "/control/lr-transfers",
      "{\"payer\": \"U1000002\", \"payee\": \"U1000003\", \"count\": 120, \"memo\": \"pager first\"}",
      &reply));
  ASSERT_TRUE(
      sandbox_->Control("POST", "/control/lr-layout", "{\"pager_first\": true, \"spaced\": true}", &reply));
  const test::CliResult r = History({"U1000003", "--csv"});
  ASSERT_TRUE(
      sandbox_->Control("POST", "/control/lr-layout", "{\"pager_first\": false, \"spaced\": false}", &reply));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Count(r.out, "\"pager first "), 120u);
  EXPECT_EQ(Count(r.out, "\"pager first 1\""), 1u);
  EXPECT_EQ(Count(r.out, "\"pager first 120\""), 1u);
}

// A payer who writes the login failure sentence into a memo does not block the payee's history.
TEST_F(CliHistoryE2E, ListsAPaymentWhoseMemoReadsLikeAnErrorPage) {
  BobPaysAlice("Could not login to account.", "ERR-1");
  const test::CliResult r = History({"1001001"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Could not login to account."), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ERR-1"), std::string::npos) << r.out;
}

// Escape sequences in a memo reach the table shown by their codes, never as escapes; in CSV the
// memo is kept byte for byte and a merchant reference that is a formula is marked as text.
TEST_F(CliHistoryE2E, ShowsEscapesDefusedAndKeepsFormulasOutOfSpreadsheets) {
  const std::string escapes = "\x1b]0;owned\x07\x1b[2J\x1b[31mred";
  BobPaysAlice(escapes, "=cmd|' /C calc'!A0");
  const test::CliResult table = History({"1001001"});
  ASSERT_EQ(table.code, 0) << table.err;
  EXPECT_EQ(table.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(table.out.find('\x07'), std::string::npos);
  EXPECT_NE(table.out.find("\\x1b]0;owned\\x07\\x1b[2J\\x1b[31mred"), std::string::npos) << table.out;

  const test::CliResult csv = History({"1001001", "--csv"});
  ASSERT_EQ(csv.code, 0) << csv.err;
  EXPECT_NE(csv.out.find("\"" + escapes + "\""), std::string::npos);
  EXPECT_NE(csv.out.find(",\"'=cmd|' /C calc'!A0\""), std::string::npos) << csv.out;
  EXPECT_EQ(csv.out.find(",\"=cmd"), std::string::npos);
}

}  // namespace
}  // namespace nummora
