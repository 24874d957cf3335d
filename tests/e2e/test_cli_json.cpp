// nummora-cli --json against the sandbox: each command prints exactly one JSON document whose
// values are those of its plain output, errors are JSON on standard error with the same exit
// codes, and no secret appears.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "net/form_encoding.h"
#include "net/http_client.h"
#include "profile/model.h"
#include "support/cli_sandbox_test.h"

namespace nummora {
namespace {

using Json = nlohmann::json;

AccountRecord Account(AccountType type, const std::string& id, const std::string& secret,
                      const std::string& api = "") {
  AccountRecord a;
  a.Type = type;
  a.ID = id;
  a.Name = "Caf\xE9 " + id;  // a Latin-1 name
  a.APIname = api;
  a.Password = secret;
  return a;
}

// Exactly one document: parsing the whole text fails on anything before or after it.
Json Document(const std::string& text) {
  Json doc = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  EXPECT_FALSE(doc.is_discarded()) << text;
  for (const char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "not plain ASCII: " << text;
  return doc;
}

class CliJsonE2E : public test::CliSandboxTest {
 protected:
  test::CliResult Cli(std::vector<std::string> args,
                      const std::vector<std::pair<std::string, std::string>>& env = {}) {
    args.insert(args.end(), {"--password-stdin", "--volume-serial", kSerialArg});
    return Run(args, kProfilePassword + "\n",
               {"alice gold 2006", "davesecret", "not-erins-word", "frankword"}, env);
  }
};

struct BalanceCase {
  const char* name;
  AccountType type;
  const char* id;
  const char* secret;
  const char* api;
  const char* egoldServer;  // nullptr: the sandbox
  int code;
  const char* state;
  bool changed;
  bool balances;
};

class CliJsonBalance : public CliJsonE2E, public ::testing::WithParamInterface<BalanceCase> {};

// The document says what the plain output says: the same notice, the same exit code, and a
// machine-readable state beside it; the balances are those --save writes into the profile.
TEST_P(CliJsonBalance, StateAndNoticeMatchThePlainOutput) {
  const BalanceCase& c = GetParam();
  WriteProfile({Account(c.type, c.id, c.secret, c.api)});
  std::vector<std::pair<std::string, std::string>> env;
  if (c.egoldServer) env.push_back({"NUMMORA_EGOLD_SECURE", c.egoldServer});
  const test::CliResult plain = Cli({"balance", "--profile", profile_, c.id}, env);
  const test::CliResult json = Cli({"balance", "--profile", profile_, c.id, "--json", "--save"}, env);
  EXPECT_EQ(plain.code, c.code) << plain.err;
  EXPECT_EQ(json.code, c.code) << json.err;
  const Json doc = Document(json.out);
  EXPECT_EQ(doc["account"], c.id);
  EXPECT_EQ(doc["state"], c.state);
  EXPECT_EQ(doc["changed"], c.changed);
  ASSERT_TRUE(doc["notice"].is_object()) << json.out;
  // The two runs are separate requests: a transport message's elapsed time ("after 0 ms") may differ.
  const auto sameDigits = [](const std::string& text) {
    std::string out;
    for (const char c : text)
      if (!(c >= '0' && c <= '9') || out.empty() || out.back() != '#')
        out += (c >= '0' && c <= '9') ? '#' : c;
    return out;
  };
  const std::string notice =
      doc["notice"]["title"].get<std::string>() + "\n" + doc["notice"]["message"].get<std::string>() + "\n";
  EXPECT_EQ(sameDigits(plain.out).rfind(sameDigits(notice), 0), 0u) << plain.out << "\n--- json:\n"
                                                                    << json.out;
  EXPECT_EQ(doc["balances"].is_object(), c.balances) << json.out;
  EXPECT_EQ(doc["saved"], std::string(c.state) != "failed");

  // The balances read are those the profile now holds.
  const test::CliResult shown = Cli({"profile", "show", profile_, "--json"});
  ASSERT_EQ(shown.code, 0) << shown.err;
  const Json profile = Document(shown.out);
  if (c.balances) {
    EXPECT_EQ(profile["accounts"][0]["balances"], doc["balances"]);
  }
  EXPECT_EQ(profile["accounts"][0]["lastUpdate"].is_null(), std::string(c.state) == "failed");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliJsonBalance,
    ::testing::Values(BalanceCase{"EgoldRead", AccountType::Egold, "1001001", "alice gold 2006", "", nullptr,
                                  0, "read", true, true},
                      BalanceCase{"LibertyReserveRead", AccountType::LibertyReserve, "U1000001", "davesecret",
                                  "daveapi", nullptr, 0, "read", true, true},
                      BalanceCase{"LibertyReserveRefused", AccountType::LibertyReserve, "U1000002",
                                  "not-erins-word", "erinshop", nullptr, 1, "refused", false, false},
                      BalanceCase{"Unreachable", AccountType::Egold, "1001001", "alice gold 2006", "",
                                  "https://127.0.0.1:1", 1, "failed", false, false}),
    [](const ::testing::TestParamInfo<BalanceCase>& info) { return std::string(info.param.name); });

// profile show: the accounts and contacts of the plain listing, names in UTF-8, no secret.
TEST_F(CliJsonE2E, ProfileShowListsWhatThePlainListingLists) {
  WriteProfile({Account(AccountType::Egold, "1001001", "alice gold 2006"),
                Account(AccountType::LibertyReserve, "U1000001", "davesecret", "daveapi")});
  const test::CliResult plain = Cli({"profile", "show", profile_});
  const test::CliResult json = Cli({"profile", "show", profile_, "--json"});
  ASSERT_EQ(json.code, 0) << json.err;
  const Json doc = Document(json.out);
  EXPECT_EQ(plain.out.rfind("Format: " + doc["format"].get<std::string>() + "\n", 0), 0u) << plain.out;
  ASSERT_EQ(doc["accounts"].size(), 2u);
  EXPECT_EQ(doc["accounts"][0]["name"], "Caf\xC3\xA9 1001001");
  EXPECT_EQ(doc["accounts"][0]["type"], "e-gold");
  EXPECT_EQ(doc["accounts"][1]["type"], "liberty_reserve");
  EXPECT_EQ(doc["accounts"][1]["balances"], Json({{"usd", "0"}, {"eur", "0"}}));
  EXPECT_TRUE(doc["accounts"][0]["lastUpdate"].is_null());
  EXPECT_NE(plain.out.find("Last update: never"), std::string::npos);
  EXPECT_TRUE(doc["contacts"].is_array());
}

// link: the fields of the plain output, and a link without fields.
TEST_F(CliJsonE2E, LinkFieldsMatchThePlainOutput) {
  const std::string link = "nmr://payto=U1000002&amount=10.50&memo=rent&merchant=42";
  const test::CliResult plain = Run({"link", link}, "", {});
  const test::CliResult json = Run({"link", "--json", link}, "", {});
  ASSERT_EQ(json.code, 0) << json.err;
  const Json doc = Document(json.out);
  EXPECT_EQ(plain.out, "Pay to: " + doc["payTo"].get<std::string>() +
                           "\nPay to field: Liberty Reserve\nAmount: " + doc["amount"].get<std::string>() +
                           "\nMemo: " + doc["memo"].get<std::string>() +
                           "\nMerchant: " + doc["merchant"].get<std::string>() + "\n");
  EXPECT_EQ(doc["payToSystem"], "liberty_reserve");
  EXPECT_EQ(doc["amount"], "10.50");
  const Json empty = Document(Run({"link", "--json", "nmr://"}, "", {}).out);
  EXPECT_EQ(empty, Json::parse(R"({"hasFields": false})"));
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char buf[16];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", std::localtime(&now));
  return buf;
}

// The cells of a CSV line written by history --csv (every cell quoted, "" inside).
std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      cell += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.push_back(cell);
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.push_back(cell);
  return cells;
}

// history: every row of the CSV listing, in its order and with its texts, for both systems
// (the Liberty Reserve one over two pages); dates in ISO 8601 that say the same day and time
// as the server's text.
TEST_F(CliJsonE2E, HistoryRowsAreTheRowsOfTheCsvListing) {
  AccountRecord alice = Account(AccountType::Egold, "1001001", "alice gold 2006");
  AccountRecord frank = Account(AccountType::LibertyReserve, "U1000003", "frankword", "frankapi");
  WriteProfile({alice, frank});
  std::string reply;
  ASSERT_TRUE(sandbox_->Control(
      "POST", "/control/lr-transfers",
      "{\"payer\": \"U1000002\", \"payee\": \"U1000003\", \"count\": 60, \"memo\": \"json \\\"row\\\"\"}",
      &reply));
  // Bob pays Alice today, so that her e-gold history of today holds a row.
  HttpOptions options;
  options.CAFile = sandbox_->CaFile();
  ASSERT_TRUE(HttpClient(options)
                  .Post(sandbox_->EgoldSecureUrl() + "/acct/confirm.asp",
                        EncodeFormBody({"AccountID=1001002", "PassPhrase=bobmetals77",
                                        "Payee_Account=1001001", "Amount=0.02", "PAY_IN=9999",
                                        "WORTH_OF=Gold", "Memo=json \"memo\"", "PAYMENT_ID=J-1"}))
                  .Succeeded);
  for (const std::string& id : {std::string("U1000003"), std::string("1001001")}) {
    const std::vector<std::string> args = {"history", "--profile", profile_, id,
                                           "--from",  Today(),     "--to",   Today()};
    std::vector<std::string> csvArgs = args, jsonArgs = args;
    csvArgs.push_back("--csv");
    jsonArgs.push_back("--json");
    const test::CliResult csv = Cli(csvArgs);
    const test::CliResult json = Cli(jsonArgs);
    ASSERT_EQ(json.code, 0) << json.err;
    const Json doc = Document(json.out);
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);  // captions
    std::size_t row = 0;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::vector<std::string> cells = CsvCells(line);
      ASSERT_LT(row, doc["rows"].size());
      const Json& r = doc["rows"][row++];
      EXPECT_EQ(cells, (std::vector<std::string>{r["dateText"], r["type"], r["id"], r["counterparty"],
                                                 r["amount"], r["unit"], r["memo"], r["merchant"]}));
      const std::string text = r["dateText"];
      ASSERT_TRUE(r["date"].is_string()) << text;
      const std::string iso = r["date"];
      if (id == "U1000003") {  // yyyy-dd-mm hh:mm:ss, UTC
        EXPECT_EQ(iso, text.substr(0, 4) + "-" + text.substr(8, 2) + "-" + text.substr(5, 2) + "T" +
                           text.substr(11) + "Z");
      } else {  // mm/dd/yyyy hh:mm:ss, local
        EXPECT_EQ(iso, text.substr(6, 4) + "-" + text.substr(0, 2) + "-" + text.substr(3, 2) + "T" +
                           text.substr(11));
      }
    }
    EXPECT_EQ(row, doc["rows"].size());
    if (id == "U1000003") {
      EXPECT_EQ(row, 60u) << csv.out;
    } else {
      EXPECT_GE(row, 1u) << csv.out;
    }
    EXPECT_EQ(doc["system"], id == "U1000003" ? "liberty_reserve" : "e-gold");
    EXPECT_EQ(doc["from"], Today());
    EXPECT_EQ(doc["totals"].is_object(), id == "1001001");
  }
}

// pay: the state of every outcome beside the plain output's exit code, the question on standard
// error so that standard output holds the document alone, and a receipt whose batch is the
// history's row.
TEST_F(CliJsonE2E, PayStatesMatchTheExitCodesAndTheReceiptIsInTheHistory) {
  WriteProfile({Account(AccountType::Egold, "1001001", "alice gold 2006"),
                Account(AccountType::LibertyReserve, "U1000001", "davesecret", "daveapi")});
  const auto pay = [this](std::vector<std::string> extra, const std::string& answer) {
    std::vector<std::string> args = {"pay",      "--profile", profile_, "--password-stdin", "--volume-serial",
                                     kSerialArg, "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, kProfilePassword + "\n" + answer, {"alice gold 2006", "davesecret"});
  };
  const std::vector<std::string> egold = {"--from", "1001001", "--to", "1001002", "--amount",
                                          "0.25",   "--units", "oz",   "--metal", "silver"};
  const test::CliResult declined = pay(egold, "n\n");
  EXPECT_EQ(declined.code, 10) << declined.err;
  EXPECT_NE(declined.err.find("Pay? [y/N]"), std::string::npos) << declined.err;
  Json doc = Document(declined.out);
  EXPECT_EQ(doc["state"], "not_sent");
  EXPECT_EQ(doc["preview"]["payeeName"], "Bob Metals");
  EXPECT_EQ(doc["preview"]["amount"], "0.25");
  EXPECT_TRUE(doc["receipt"].is_null());

  const test::CliResult paid = pay(egold, "y\n");
  ASSERT_EQ(paid.code, 0) << paid.err;
  doc = Document(paid.out);
  EXPECT_EQ(doc["state"], "paid");
  const std::string batch = doc["receipt"]["batch"];
  ASSERT_FALSE(batch.empty());
  EXPECT_EQ(doc["receipt"]["payeeName"], "Bob Metals");
  const test::CliResult history = Cli({"history", "--profile", profile_, "1001001", "--from", Today(), "--to",
                                       Today(), "--type", "made", "--json"});
  ASSERT_EQ(history.code, 0) << history.err;
  const Json rows = Document(history.out)["rows"];
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&batch](const Json& r) { return r["id"] == batch; }), 1)
      << history.out;

  const test::CliResult refused = pay({"--from", "U1000001", "--to", "U7654321", "--amount", "1"}, "");
  EXPECT_EQ(refused.code, 7) << refused.err;
  doc = Document(refused.out);
  EXPECT_EQ(doc["state"], "refused");
  EXPECT_TRUE(doc["preview"].is_null());
  EXPECT_FALSE(doc["message"].get<std::string>().empty());

  // A mass payment: each line's own state.
  const std::string list = (dir_ / "mass.txt").string();
  std::ofstream(list) << "U1000002, 1.50, first\nnot-an-account,1\nU7654321,1\nU1000003\n";
  const test::CliResult mass = pay({"--from", "U1000001", "--mass", list, "--amount", "2", "--yes"}, "");
  EXPECT_EQ(mass.code, 7) << mass.err;
  doc = Document(mass.out);
  EXPECT_EQ(doc["state"], "refused");
  std::vector<std::string> states;
  for (const Json& row : doc["rows"]) states.push_back(row["state"]);
  EXPECT_EQ(states, (std::vector<std::string>{"paid", "not_sent", "refused", "paid"})) << mass.out;
  EXPECT_EQ(doc["count"], 2);
  EXPECT_EQ(doc["total"], "3.5");
  EXPECT_FALSE(doc["rows"][0]["transferId"].get<std::string>().empty());
}

// Errors: the exit codes of the plain output, the message as a JSON object on standard error,
// nothing on standard output.
TEST_F(CliJsonE2E, ErrorsAreDocumentsOnStandardErrorWithTheSameCodes) {
  WriteProfile({Account(AccountType::Egold, "1001001", "alice gold 2006")});
  struct Row {
    std::vector<std::string> args;
    std::string input;
    int code;
  };
  const std::vector<Row> rows = {
      {{"profile", "show", (dir_ / "missing.nmr").string(), "--password-stdin", "--json"}, "pw\n", 3},
      {{"profile", "show", profile_, "--password-stdin", "--volume-serial", kSerialArg, "--json"},
       "wrong\n",
       4},
      {{"balance", "--profile", profile_, "999", "--password-stdin", "--volume-serial", kSerialArg, "--json"},
       kProfilePassword + "\n",
       1},
      {{"balance", "--json"}, "", 2},
  };
  for (const Row& row : rows) {
    const test::CliResult r = Run(row.args, row.input, {});
    EXPECT_EQ(r.code, row.code) << r.err;
    EXPECT_EQ(r.out, "");
    const Json doc = Document(r.err);
    EXPECT_EQ(doc["error"]["code"], row.code) << r.err;
    EXPECT_FALSE(doc["error"]["message"].get<std::string>().empty());
  }
}

}  // namespace
}  // namespace nummora
