// nummora-cli history against the sandbox: a Liberty Reserve history of several pages printed
// whole as CSV, an e-gold history as a table with its totals, and a refusal.
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
    TAccount alice;
    alice.ID = "1001001";
    alice.Password = kSecrets[0];
    TAccount frank;
    frank.Type = kAccountTypeLibertyReserve;
    frank.ID = "U1000003";
    frank.APIname = "frankapi";
    frank.Password = kSecrets[1];
    WriteProfile({alice, frank});
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

}  // namespace
}  // namespace nummora
