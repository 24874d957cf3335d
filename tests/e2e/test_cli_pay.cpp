// nummora-cli pay against the sandbox: a profile file is made in a temporary folder and the
// program pays over HTTPS; the sandbox's ledger says what moved.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/format_settings.h"
#include "payments/egold_payment.h"
#include "payments/payment_outcome.h"
#include "profile/document.h"
#include "profile/model.h"
#include "support/cli_sandbox_test.h"

namespace nummora {
namespace {

namespace fs = std::filesystem;

const std::string kAlicePhrase = "alice gold 2006";
const std::string kDaveWord = "davesecret";

using Result = test::CliResult;

class PayE2E : public test::CliSandboxTest {
 protected:
  void SetUp() override {
    CliSandboxTest::SetUp();
    if (HasFatalFailure()) return;
    AccountRecord alice;
    alice.ID = "1001001";
    alice.Password = kAlicePhrase;
    AccountRecord dave;
    dave.Type = AccountType::LibertyReserve;
    dave.ID = "U1000001";
    dave.APIname = "daveapi";
    dave.Password = kDaveWord;
    WriteProfile({alice, dave});
  }

  // Runs `nummora-cli pay` with the sandbox's servers; the profile password comes first on
  // standard input, then `answer`.
  Result Pay(std::vector<std::string> extra, const std::string& answer = "") {
    std::vector<std::string> args = {"pay",     "--profile", profile_, "--password-stdin", "--volume-serial",
                                     kSerialArg};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, kProfilePassword + "\n" + answer, {kAlicePhrase, kDaveWord});
  }

  static std::string Ledger() {
    std::string json;
    EXPECT_TRUE(sandbox_->Ledger(&json));
    return json;
  }

  // A balance of the ledger's JSON: the text of `"key": "` after the account's entry.
  static std::string Balance(const std::string& account, const std::string& key) {
    const std::string json = Ledger();
    const std::size_t at = json.find("\"" + key + "\": \"", json.find("\"" + account + "\": {"));
    if (at == std::string::npos) return "?";
    const std::size_t start = at + key.size() + 5;
    return json.substr(start, json.find('"', start) - start);
  }
};

TEST_F(PayE2E, EgoldPreviewAsksThenPaysAndTheLedgerMovesByTheReceipt) {
  const std::vector<std::string> args = {"--from", "1001001", "--to", "1001003", "--amount",
                                         "0.25",   "--units", "oz",   "--metal", "silver"};
  std::vector<std::string> verbose = args;
  verbose.push_back("--verbose");
  Result r = Pay(verbose, "y\n");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(Count(r.err, "\nPassPhrase=********\n"), 2u) << r.err;  // preview and payment
  EXPECT_NE(r.out.find("Pay to: Carol Empty  (1001003)\n" + std::string(kFirstTimeNotice) +
                       "\nAmount: 0.25 troy ounces of Silver\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Pay? [y/N] Transaction complete\nBatch number: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Paid to: Carol Empty (1001003)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Ounces paid: 0.25\n"), std::string::npos) << r.out;
  EXPECT_EQ(Balance("1001001", "Silver"), "149.75");

  // The second time there is no first-time notice; answering no sends nothing.
  Result no = Pay(args, "n\n");
  EXPECT_EQ(no.code, 10) << no.out << no.err;
  EXPECT_EQ(no.out.find(kFirstTimeNotice), std::string::npos);
  EXPECT_NE(no.out.find("Not paid.\n"), std::string::npos);
  EXPECT_EQ(Balance("1001001", "Silver"), "149.75");
}

// The receipt page echoes the merchant reference: a completed payment stays completed whatever
// that reference says.
TEST_F(PayE2E, EgoldMerchantReferenceReadingLikeTheLoginFailureIsStillPaid) {
  const std::string before = Balance("1001001", "Gold");
  Result r = Pay({"--from", "1001001", "--to", "1001002", "--amount", "0.5", "--units", "oz", "--memo",
                  "Could not login to account.", "--merchant", "Could not login to account.", "--yes"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Transaction complete\nBatch number: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Paid to: Bob Metals (1001002)\n"), std::string::npos) << r.out;
  EXPECT_NEAR(std::stod(before) - std::stod(Balance("1001001", "Gold")), 0.5, 1e-9);
}

// Text from a link must pay exactly one transfer, with exactly that text as its memo.
class PayMemoE2E : public PayE2E, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(PayMemoE2E, MemoHoldingMarkupPaysOnceWithThatMemo) {
  const std::string memo = "x&Amount=999+1 </Memo></Transfer><Transfer><Payee>U1000003</Payee> <&>";
  const std::string before = Ledger();
  std::vector<std::string> args = GetParam();
  args.insert(args.end(), {"--memo", memo, "--merchant", "m+&1", "--yes"});
  Result r = Pay(args);
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("Pay? "), std::string::npos);
  const std::string after = Ledger();
  EXPECT_EQ(Count(after, "\"memo\": \"" + memo + "\""), Count(before, "\"memo\": \"" + memo + "\"") + 1)
      << after;
  EXPECT_EQ(Count(after, "\"memo\": "), Count(before, "\"memo\": ") + 1);
  EXPECT_EQ(Count(after, "m+&1\""), Count(before, "m+&1\"") + 1);
}

INSTANTIATE_TEST_SUITE_P(Systems, PayMemoE2E,
                         ::testing::Values(std::vector<std::string>{"--from", "1001001", "--to", "1001002",
                                                                    "--amount", "0.01", "--units", "oz"},
                                           std::vector<std::string>{"--from", "U1000001", "--to", "U1000002",
                                                                    "--amount", "2.50"}));

TEST_F(PayE2E, LibertyReserveClosingBalanceIsTheLedgersBalance) {
  Result r =
      Pay({"--from", "U1000001", "--to", "U1000002", "--amount", "10", "--currency", "EUR", "--verbose"},
          "yes\n");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Pay to: Erin Shop  (U1000002)\nAmount: 10 of Euro\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Amount: 10 of Euro (Fee: 0.10)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Closing balance: 239.9 Euro\n"), std::string::npos) << r.out;
  EXPECT_EQ(Balance("U1000001", "LREUR"), "239.90");
  // The requests are logged with the token as asterisks.
  EXPECT_NE(r.err.find("<Token>********</Token>"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("%3cToken%3e********%3c%2fToken%3e"), std::string::npos) << r.err;
}

struct FailureRow {
  const char* name;
  std::string faultJson;  // empty: none
  std::vector<std::string> args;
  int code;
  std::string output;
};

class PayFailureE2E : public PayE2E, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(PayFailureE2E, ExitCodeTellsWhatHappened) {
  const FailureRow& row = GetParam();
  if (!row.faultJson.empty()) {
    ASSERT_TRUE(sandbox_->AddFaultJson(row.faultJson));
  }
  const std::string gold = Balance("1001001", "Gold");
  std::vector<std::string> args = row.args;
  args.push_back("--yes");
  Result r = Pay(args);
  EXPECT_EQ(r.code, row.code) << r.out << r.err;
  EXPECT_NE((r.out + r.err).find(row.output), std::string::npos) << r.out << r.err;
  EXPECT_EQ(Balance("1001001", "Gold"), gold);
}

const std::vector<std::string> kEgoldArgs = {"--from", "1001001", "--to", "1001002", "--amount", "1"};

INSTANTIATE_TEST_SUITE_P(
    Rows, PayFailureE2E,
    ::testing::Values(
        FailureRow{"EgoldRefused",
                   "",
                   {"--from", "1001001", "--to", "1001002", "--amount", "900", "--units", "oz"},
                   7,
                   "Insufficient funds"},
        FailureRow{"LibertyReserveRefused",
                   "",
                   {"--from", "U1000001", "--to", "U7654321", "--amount", "1"},
                   7,
                   "Error 300: Account not found"},
        FailureRow{"TransportFailure", R"({"kind": "status500", "path": "/acct/verify.asp", "count": 1})",
                   kEgoldArgs, 8, "Connection problem!\nHTTP/1.1 500"},
        FailureRow{
            "NeitherReceiptNorError",
            R"({"kind": "malformed", "path": "/acct/confirm.asp", "count": 1, "body": "<html>busy</html>"})",
            kEgoldArgs, 9, kPaymentUnknownText},
        FailureRow{"BadPayee",
                   "",
                   {"--from", "1001001", "--to", "12a", "--amount", "1"},
                   2,
                   "Please enter correct value! (--to)"},
        FailureRow{"NoSuchAccount",
                   "",
                   {"--from", "1009999", "--to", "1001002", "--amount", "1"},
                   2,
                   "There is no account 1009999"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PayE2E, MassListSkipsBlankAndIncorrectLinesAndPaysTheRest) {
  const std::string list = (dir_ / "mass.txt").string();
  std::ofstream(list) << "U1000002, 1.50, first\n\nnot-an-account,1\nU1000003,abc,x\nU7654321,1\nU1000003\n";
  const std::string before = Balance("U1000001", "LRUSD");
  Result r = Pay({"--from", "U1000001", "--mass", list, "--amount", "2", "--memo", "default"}, "y\n");
  EXPECT_EQ(r.code, 7) << r.out << r.err;  // not every line was paid
  const std::string paidRow = "Erin Shop (U1000002)\t1.5\tfirst\t";
  EXPECT_NE(r.out.find("Erin Shop (U1000002)\t1.50\tfirst\t\n"), std::string::npos) << r.out;  // preview
  EXPECT_NE(r.out.find("not-an-account\t\tIncorrect account number\t\n"
                       "U1000003\t\tIncorrect amount\t\n"
                       "U7654321\t\tAccount not found\t\n"
                       "Frank Zero (U1000003)\t2\tdefault\t\n"
                       "Transactions count: 2    Total amount: 3.5 US Dollars\nPay? [y/N] "),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(paidRow, r.out.find("Transaction complete")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Transactions count: 2    Total amount: 3.5 US Dollars\n",
                       r.out.find("Transaction complete")),
            std::string::npos)
      << r.out;
  // 1.50 + 0.02 fee and 2 + 0.02 fee.
  EXPECT_NEAR(std::stod(before) - std::stod(Balance("U1000001", "LRUSD")), 3.54, 1e-9);
}

// A server that writes line breaks and indentation between the answers of a mass payment: the
// refused line in the middle stays refused under its own payee, the others are paid.
TEST_F(PayE2E, MassPaymentAnswersWithWhiteSpaceBetweenThemKeepTheirLines) {
  struct Spaced {
    explicit Spaced(bool on) { Set(on); }
    ~Spaced() { Set(false); }
    static void Set(bool on) {
      long status = 0;
      std::string reply;
      EXPECT_TRUE(sandbox_->Control("POST", "/control/lr-layout",
                                    on ? R"({"spaced": true})" : R"({"spaced": false})", &reply, &status));
      EXPECT_EQ(status, 200) << reply;
    }
  } spaced(true);
  const std::string list = (dir_ / "spaced.txt").string();
  std::ofstream(list) << "U1000002,1.25,one\nU7654321,1,two\nU1000003,2,three\n";
  const std::string erin = Balance("U1000002", "LRUSD");
  const std::string frank = Balance("U1000003", "LRUSD");
  Result r = Pay({"--from", "U1000001", "--mass", list}, "y\n");
  EXPECT_EQ(r.code, 7) << r.out << r.err;  // not every line was paid
  EXPECT_NE(r.out.find("Erin Shop (U1000002)\t1.25\tone\t\n"
                       "U7654321\t\tAccount not found\t\n"
                       "Frank Zero (U1000003)\t2\tthree\t\n"
                       "Transactions count: 2    Total amount: 3.25 US Dollars\nPay? [y/N] "),
            std::string::npos)
      << r.out;
  const std::size_t complete = r.out.find("Transaction complete");
  ASSERT_NE(complete, std::string::npos) << r.out;
  const std::string receipt = r.out.substr(complete);
  const std::size_t erinRow = receipt.find("Erin Shop (U1000002)\t1.25\tone\t");
  const std::size_t refusedRow = receipt.find("\nU7654321\t\tAccount not found\t\n");
  const std::size_t frankRow = receipt.find("\nFrank Zero (U1000003)\t2\tthree\t");
  EXPECT_TRUE(erinRow != std::string::npos && refusedRow > erinRow && frankRow > refusedRow &&
              frankRow != std::string::npos)
      << r.out;
  EXPECT_NE(receipt.find("Transactions count: 2    Total amount: 3.25 US Dollars\n"), std::string::npos)
      << r.out;
  EXPECT_NEAR(std::stod(Balance("U1000002", "LRUSD")) - std::stod(erin), 1.25, 1e-9);
  EXPECT_NEAR(std::stod(Balance("U1000003", "LRUSD")) - std::stod(frank), 2, 1e-9);
}

}  // namespace
}  // namespace nummora
