// nummora-cli pay: sends a payment from an account of a profile, with the same requests and
// readers as the payment dialog: the preview (payee's name, first-time notice), a question
// before paying unless --yes, then the receipt. Liberty Reserve accounts also take a mass list.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_output.h"
#include "common/currency.h"
#include "common/format_settings.h"
#include "common/number_text.h"
#include "common/secure_memory.h"
#include "net/egold.h"
#include "net/form_encoding.h"
#include "net/http_client.h"
#include "net/liberty_reserve.h"
#include "net/server_config.h"
#include "payments/egold_payment.h"
#include "payments/lr_mass.h"
#include "payments/lr_payment.h"
#include "payments/payment_outcome.h"
#include "platform/volume_serial.h"
#include "profile/document.h"
#include "profile/model.h"
#include "profile/profile_file.h"
#include "profile/profile_open.h"

namespace nummora::cli {
namespace {

// Exit codes of this command beside the shared ones (0, 1, 2 and the profile file's 3-6).
constexpr int kExitRefused = 7;
constexpr int kExitTransport = 8;
constexpr int kExitUnknown = 9;
constexpr int kExitNotConfirmed = 10;

const char* const kSynopsis =
    "  nummora-cli pay --profile FILE --from ID --to PAYEE --amount X [--units UNITS]\n"
    "                  [--metal METAL] [--currency USD|EUR] [--memo TEXT] [--merchant TEXT]\n"
    "                  [--private] [--password-stdin] [--yes] [--volume-serial HEX] [--verbose]\n"
    "  nummora-cli pay --profile FILE --from ID --mass LIST [--amount X] [--memo TEXT]\n"
    "                  [--currency USD|EUR] [--password-stdin] [--yes] [--volume-serial HEX]\n"
    "      Pays from the account ID of the profile (servers from servers.ini). Asks the\n"
    "      payment system for the payee's name and shows the preview, then asks \"Pay? [y/N]\"\n"
    "      and reads the answer as a line of standard input (unless --yes), and prints the\n"
    "      receipt. Values are sent exactly as given.\n"
    "  --units UNITS     e-gold: grams, oz, usd, eur, aud, gbp, cad, jpy, chf, or a caption of\n"
    "                    the units list such as \"US Dollars' worth\" (default usd)\n"
    "  --metal METAL     e-gold: Gold, Silver, Platinum or Palladium (default Gold)\n"
    "  --currency        Liberty Reserve: USD or EUR (default USD)\n"
    "  --merchant TEXT   the merchant reference (e-gold PAYMENT_ID, Liberty Reserve transfer id)\n"
    "  --private         Liberty Reserve: hide the payer from the payee (costs a fee)\n"
    "  --mass LIST       Liberty Reserve mass payment: a file of lines \"account, amount, memo,\n"
    "                    merchant\"; blank lines are skipped, --amount and --memo are the\n"
    "                    defaults of lines without them; lines whose account number or amount\n"
    "                    is not correct are shown but not sent\n"
    "  --password-stdin  read the profile password and a pass phrase that the profile does\n"
    "                    not hold as lines of standard input (before the answer to the question)\n"
    "  --verbose         also print the requests (secrets as asterisks) to standard error\n"
    "  --json            print one document instead of the texts (the question goes to standard\n"
    "                    error): {\"system\", \"from\", \"state\" (\"paid\"; \"refused\": nothing paid;\n"
    "                    \"unknown\": it may have been paid, check the history; \"not_sent\": no\n"
    "                    payment was sent), \"message\", \"preview\" ({\"payTo\", \"payeeName\",\n"
    "                    \"amount\", \"units\", \"memo\", \"merchant\", \"firstTime\"} or null),\n"
    "                    \"receipt\" ({\"batch\", \"payeeName\", \"ounces\" or \"fee\" and\n"
    "                    \"closingBalance\"} or null); a mass payment has \"rows\": [{\"caption\",\n"
    "                    \"amount\", \"memo\", \"transferId\", \"state\"}] and \"count\", \"total\"\n"
    "  Exit codes: 0 paid; 1 other failure; 2 bad arguments; 3-6 profile file problems (see\n"
    "  nummora-cli --help); 7 refused by the payment system, nothing paid (mass payment: at\n"
    "  least one line not paid); 8 transport failure; 9 outcome unknown; 10 not confirmed,\n"
    "  nothing paid. After 8 during the payment, and after 9, check the history before\n"
    "  paying again.\n";

constexpr std::size_t kShortPassPhrase = 5;
constexpr int kPassPhraseAttempts = 3;

struct Options {
  std::string profile, from, to, amount, memo, merchant, massFile;
  uint16_t payIn = 1;
  std::string unitsCaption = "US Dollars' worth";
  std::string metal = "Gold";
  bool euro = false;
  bool anonymous = false;
  bool mass = false;
  bool yes = false;
  bool fromStdin = false;
  bool verbose = false;
  bool json = false;
  ProfileFileOptions fileOptions;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

void ChooseUnits(const std::string& text, Options& o) {
  static const std::pair<const char*, int> kShort[] = {{"grams", 1}, {"oz", 2},  {"usd", 4},
                                                       {"eur", 5},   {"aud", 6}, {"gbp", 7},
                                                       {"cad", 8},   {"jpy", 9}, {"chf", 10}};
  int position = -1;
  for (const auto& [name, at] : kShort)
    if (Lower(text) == name) position = at;
  for (int i = 0; position < 0 && i < kEgoldUnitCount; ++i)
    if (Lower(text) == Lower(kEgoldUnits[i].caption)) position = i;
  if (position < 0) throw CommandError(kExitUsage, "Unknown --units \"" + text + "\". See --help.");
  o.payIn = kEgoldUnits[position].code;
  o.unitsCaption = kEgoldUnits[position].caption;
}

Options ParseOptions(const std::vector<std::string>& args) {
  Arguments parsed(args,
                   {"--profile", "--from", "--to", "--amount", "--units", "--metal", "--currency", "--memo",
                    "--merchant", "--mass", "--volume-serial"},
                   {"--password-stdin", "--yes", "--private", "--verbose", "--json"});
  Options o;
  o.profile = parsed.Value("--profile").value_or("");
  o.from = parsed.Value("--from").value_or("");
  o.mass = parsed.Value("--mass").has_value();
  if (o.profile.empty() || o.from.empty() || !parsed.Positional().empty() ||
      (!o.mass && (!parsed.Value("--to") || !parsed.Value("--amount"))) || (o.mass && parsed.Value("--to")))
    throw CommandError(kExitUsage,
                       "Name the profile, the source account and either --to and --amount or --mass.\n" +
                           std::string(kSynopsis));
  o.to = parsed.Value("--to").value_or("");
  o.amount = parsed.Value("--amount").value_or("");
  o.memo = parsed.Value("--memo").value_or("");
  o.merchant = parsed.Value("--merchant").value_or("");
  o.massFile = parsed.Value("--mass").value_or("");
  if (auto units = parsed.Value("--units")) ChooseUnits(*units, o);
  if (auto metal = parsed.Value("--metal")) {
    const auto* found = std::find_if(kEgoldMetalNames.begin(), kEgoldMetalNames.end(),
                                     [&](const char* name) { return Lower(name) == Lower(*metal); });
    if (found == kEgoldMetalNames.end())
      throw CommandError(kExitUsage, "--metal is Gold, Silver, Platinum or Palladium.");
    o.metal = *found;
  }
  const std::string currency = parsed.Value("--currency").value_or("USD");
  if (currency != "USD" && currency != "EUR") throw CommandError(kExitUsage, "--currency is USD or EUR.");
  o.euro = currency == "EUR";
  o.anonymous = parsed.Has("--private");
  o.yes = parsed.Has("--yes");
  o.fromStdin = parsed.Has("--password-stdin");
  o.verbose = parsed.Has("--verbose");
  o.json = parsed.Has("--json");
  if (auto serial = parsed.Value("--volume-serial"))
    o.fileOptions.volume_serial = ParseSerial(*serial, "--volume-serial");
  return o;
}

// The check the payment dialog makes before sending (values are sent as given all the same).
void CheckInput(const Options& o, const AccountRecord& source, const FormatSettings& numberFormat) {
  const auto bad = [](const char* option) {
    throw CommandError(kExitUsage, std::string("Please enter correct value! (") + option + ")");
  };
  Currency amount = 0;
  const bool amountReads =
      TryStrToCurrGrouped(o.amount, numberFormat, amount) && amount != CurrencyFromUnits(-1);
  if (source.Type == AccountType::Egold) {
    if (o.mass || o.anonymous) bad("--mass and --private are for Liberty Reserve accounts");
    if (StrToIntDef(o.to, -1) == -1) bad("--to");
    if (!amountReads) bad("--amount");
  } else if (!o.mass) {
    if (o.to.empty()) bad("--to");
    if (!amountReads) bad("--amount");
  }
}

// Asks until the account has a pass phrase (security word) of more than 5 characters.
void CompletePassPhrase(AccountRecord& account, const Options& o, Io& io) {
  for (int attempt = 0; account.Password.size() <= kShortPassPhrase; ++attempt) {
    if (attempt == kPassPhraseAttempts || (o.fromStdin && attempt == 1))
      throw CommandError(kExitFailure, "No pass phrase of more than 5 characters for " +
                                           AccountLabel(account) + "; nothing was sent.");
    SecretString typed = ReadPassword(io, o.fromStdin, "PassPhrase for " + AccountLabel(account) + ": ");
    SecureWipe(account.Password);
    account.Password = typed.str();
  }
}

class Exchange {
 public:
  Exchange(const ServerConfig& servers, bool verbose, Io& io)
      : client_(Options(servers)), verbose_(verbose), io_(io) {}

  // Posts the form lines (wiped afterwards: they may hold the pass phrase).
  HttpResult Post(const std::string& url, std::vector<std::string> fields) {
    if (verbose_) {
      io_.err << "POST " << url << "\n";
      for (const std::string& line : fields) io_.err << PaymentLogText(line) << "\n";
    }
    SecretString body(EncodeFormBody(fields));
    for (std::string& line : fields) SecureWipe(line);
    HttpResult result = client_.Post(url, body.str());
    if (verbose_)
      io_.err << (result.Succeeded ? "Response:\n" + PaymentLogText(result.Body) : result.Message) << "\n";
    return result;
  }

  // Posts a Liberty Reserve request document; `title` names it in the log.
  HttpResult PostDocument(const std::string& url, const std::string& title, std::string document) {
    if (verbose_) io_.err << title << ":\n" << PaymentLogText(document) << "\n";
    std::vector<std::string> fields{LRFormBody(document)};
    SecureWipe(document);
    return Post(url, std::move(fields));
  }

 private:
  static HttpOptions Options(const ServerConfig& servers) {
    HttpOptions options;
    options.CAFile = servers.CAFile;
    return options;
  }

  HttpClient client_;
  bool verbose_;
  Io& io_;
};

bool Confirmed(const Options& o, Io& io, Json& doc) {
  if (o.yes) return true;
  // With --json standard output holds the document only: the question is asked on standard error.
  (o.json ? io.err : io.out) << "Pay? [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(io.in, answer)) answer.clear();
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  answer = Lower(answer);
  if (answer == "y" || answer == "yes") return true;
  io.out << "Not paid.\n";
  doc["state"] = "not_sent";
  doc["message"] = "Not paid.";
  return false;
}

// What went wrong, in the text and in the document. A transport failure while paying leaves
// the outcome unknown; before paying, nothing was sent.
int ReportFailure(const PaymentOutcome& outcome, bool paying, Io& io, Json& doc) {
  doc["message"] = JsonText(outcome.message);
  switch (outcome.result) {
    case PaymentResult::Paid:
      doc["state"] = "paid";
      return kExitOk;
    case PaymentResult::Refused:
      io.out << outcome.message << "\n";
      doc["state"] = "refused";
      return kExitRefused;
    case PaymentResult::Unknown:
      io.out << outcome.message << "\n";
      doc["state"] = "unknown";
      return kExitUnknown;
    case PaymentResult::TransportFailure:
      io.out << "Connection problem!\n" << outcome.message << "\n";
      if (paying) io.out << kPaymentUnknownText << "\n";
      doc["state"] = paying ? "unknown" : "not_sent";
      return kExitTransport;
  }
  return kExitFailure;
}

Json PreviewJson(const Options& o, const std::string& payeeName, const std::string& units, bool firstTime) {
  return {{"payTo", JsonText(o.to)},  {"payeeName", JsonText(payeeName)}, {"amount", JsonText(o.amount)},
          {"units", JsonText(units)}, {"memo", JsonText(o.memo)},         {"merchant", JsonText(o.merchant)},
          {"firstTime", firstTime}};
}

int PayEgold(const Options& o, const AccountRecord& source, const ServerConfig& servers,
             const FormatSettings& numberFormat, Io& io, Json& doc) {
  Exchange exchange(servers, o.verbose, io);
  const EgoldPayment payment{o.to, o.amount, o.payIn, o.metal, o.memo, o.merchant};
  const std::string amountText = "Amount: " + o.amount + " " + o.unitsCaption + " of " + o.metal;
  HttpResult reply =
      exchange.Post(servers.EgoldSecure + kEgoldVerifyPath, EgoldVerifyFields(source, payment));
  if (!reply.Succeeded) return ReportFailure(PaymentTransportFailure(reply.Message), false, io, doc);
  const EgoldPreview preview = ReadEgoldPreview(reply.Body, source.ID);
  if (!preview.error.empty()) return ReportFailure(RefusedPayment(preview.error), false, io, doc);
  doc["preview"] = PreviewJson(o, preview.payeeName, o.unitsCaption + " of " + o.metal, preview.firstTime);
  io.out << "Preview transaction\n"
         << "From: " << AccountLabel(source) << "\n"
         << "Pay to: " << preview.payeeName << "  (" << o.to << ")\n";
  if (preview.firstTime) io.out << kFirstTimeNotice << "\n";
  io.out << amountText << "\nMemo: " << o.memo << "\nMerchant # " << o.merchant << "\n";
  if (!Confirmed(o, io, doc)) return kExitNotConfirmed;

  reply = exchange.Post(servers.EgoldSecure + kEgoldConfirmPath, EgoldConfirmFields(source, payment));
  const PaymentOutcome outcome = reply.Succeeded ? ReadEgoldReceipt(reply.Body, source.ID, numberFormat)
                                                 : PaymentTransportFailure(reply.Message);
  if (!outcome.Paid()) return ReportFailure(outcome, true, io, doc);
  doc["state"] = "paid";
  doc["receipt"] = {{"batch", JsonText(outcome.batch)},
                    {"payeeName", JsonText(outcome.payeeName)},
                    {"ounces", outcome.ounces}};
  io.out << "Transaction complete\n"
         << "Batch number: " << outcome.batch << "\n"
         << "From: " << AccountLabel(source) << "\n"
         << "Paid to: " << outcome.payeeName << " (" << o.to << ")\n"
         << amountText << "\n"
         << "Memo: " << o.memo << "\n"
         << "Merchant: " << o.merchant << "\n"
         << "Ounces paid: " << FloatToStr(outcome.ounces, numberFormat) << "\n";
  return kExitOk;
}

int PayLibertyReserve(const Options& o, const AccountRecord& source, const ServerConfig& servers,
                      const FormatSettings& numberFormat, Io& io, Json& doc) {
  Exchange exchange(servers, o.verbose, io);
  const std::string from = AccountLabel(source);
  const std::string amountText = "Amount: " + o.amount + " of " + LRCurrencyCaption(o.euro);
  HttpResult reply = exchange.PostDocument(servers.LibertyReserve + kLRAccountNamePath,
                                           "Account name request", LRAccountNameRequest(source, {o.to}));
  if (!reply.Succeeded) return ReportFailure(PaymentTransportFailure(reply.Message), false, io, doc);
  const LRNameReply name = ReadLRAccountNameReply(reply.Body);
  if (!name.error.empty()) return ReportFailure(RefusedPayment(name.error), false, io, doc);
  doc["preview"] = PreviewJson(o, name.name, LRCurrencyCaption(o.euro), false);
  io.out << "Preview transaction\n"
         << "From: " << from << (o.anonymous ? " (will hidden from recipient)" : "") << "\n"
         << "Pay to: " << name.name << "  (" << o.to << ")\n"
         << amountText << "\nMemo: " << o.memo << "\nMerchant # " << o.merchant << "\n";
  if (!Confirmed(o, io, doc)) return kExitNotConfirmed;

  const LRTransfer transfer{o.to, o.amount, o.memo, o.merchant, true, o.anonymous};
  reply = exchange.PostDocument(servers.LibertyReserve + kLRTransferPath, "Mass payment",
                                LRSingleTransferRequest(source, transfer, o.euro));
  const PaymentOutcome outcome = reply.Succeeded
                                     ? ReadLRTransferReply(reply.Body, transfer.payee, numberFormat)
                                     : PaymentTransportFailure(reply.Message);
  if (!outcome.Paid()) return ReportFailure(outcome, true, io, doc);
  doc["state"] = "paid";
  doc["receipt"] = {
      {"batch", JsonText(outcome.batch)},
      {"payeeName", JsonText(outcome.payeeName)},
      {"fee", JsonText(outcome.fee)},
      {"closingBalance", outcome.closingBalance ? JsonAmount(*outcome.closingBalance) : Json(nullptr)}};
  io.out << "Transaction complete\n"
         << "Transaction number: " << outcome.batch << "\n"
         << "From: " << from << (o.anonymous ? " (hidden from recipient)" : "") << "\n"
         << "Paid to: " << outcome.payeeName << " (" << o.to << ")\n"
         << amountText << " (Fee: " << outcome.fee << ")\n"
         << "Memo: " << o.memo << "\n"
         << "Merchant: " << o.merchant << "\n";
  if (outcome.closingBalance)
    io.out << "Closing balance: " << CurrToStr(*outcome.closingBalance, numberFormat) << " "
           << LRCurrencyCaption(o.euro) << "\n";
  return kExitOk;
}

void PrintMassTable(const MassTable& table, bool euro, Io& io) {
  io.out << "Account\tAmount\tMemo\tTrans. ID\n";
  for (const MassRow& row : table.rows)
    io.out << row.caption << "\t" << row.amount << "\t" << row.memo << "\t" << row.transferId << "\n";
  io.out << MassSummary(table, euro) << "\n";
}

std::string ReadListFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CommandError(kExitUsage, "Cannot read the mass list " + path + ".");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A mass table's rows in the document; `sent` when the transfer request went out.
void MassJson(const std::vector<MassLine>& lines, const MassTable& table, bool sent, Json& doc) {
  Json rows = Json::array();
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    const MassRow& row = table.rows[i];
    const char* state = "not_sent";
    if (row.state == MassRowState::Paid)
      state = "paid";
    else if (row.outcomeUnknown)
      state = "unknown";
    else if (sent && i < lines.size() && lines[i].Sendable())
      state = "refused";
    rows.push_back({{"caption", JsonText(row.caption)},
                    {"amount", JsonText(row.amount)},
                    {"memo", JsonText(row.memo)},
                    {"transferId", JsonText(row.transferId)},
                    {"state", state}});
  }
  doc["rows"] = std::move(rows);
  doc["count"] = table.count;
  doc["total"] = JsonAmount(table.total);
}

int PayMass(const Options& o, const AccountRecord& source, const ServerConfig& servers,
            const FormatSettings& numberFormat, Io& io, Json& doc) {
  const std::vector<MassLine> lines = ReadMassList(ReadListFile(o.massFile), o.amount, o.memo, numberFormat);
  const std::vector<std::string> payees = MassPayees(lines);
  if (payees.empty()) {
    const MassTable table = ReadMassPreview(lines, "");
    PrintMassTable(table, o.euro, io);
    io.out << "Nothing to pay.\n";
    MassJson(lines, table, false, doc);
    doc["state"] = "not_sent";
    doc["message"] = "Nothing to pay.";
    return kExitRefused;
  }
  Exchange exchange(servers, o.verbose, io);
  HttpResult reply = exchange.PostDocument(servers.LibertyReserve + kLRAccountNamePath,
                                           "Account name request", LRAccountNameRequest(source, payees));
  if (!reply.Succeeded) return ReportFailure(PaymentTransportFailure(reply.Message), false, io, doc);
  io.out << "Preview transaction\n";
  const MassTable preview = ReadMassPreview(lines, reply.Body);
  PrintMassTable(preview, o.euro, io);
  MassJson(lines, preview, false, doc);
  if (!Confirmed(o, io, doc)) return kExitNotConfirmed;

  reply = exchange.PostDocument(servers.LibertyReserve + kLRTransferPath, "Mass payment",
                                LRMassTransferRequest(source, MassTransfers(lines), o.euro));
  if (!reply.Succeeded) return ReportFailure(PaymentTransportFailure(reply.Message), true, io, doc);
  const MassTable table = ReadMassReceipt(lines, reply.Body, numberFormat);
  io.out << "Transaction complete\n";
  PrintMassTable(table, o.euro, io);
  MassJson(lines, table, true, doc);
  const bool allPaid = table.count == static_cast<int>(table.rows.size());
  doc["state"] = table.unknown > 0 ? "unknown" : allPaid ? "paid" : "refused";
  if (table.unknown > 0) return kExitUnknown;
  return allPaid ? kExitOk : kExitRefused;
}

int Run(const std::vector<std::string>& args, Io& io) {
  const Options o = ParseOptions(args);
  const FormatSettings regional = UsEnglishFormatSettings();
  const FormatSettings numberFormat = MakeNumberFormat(regional);

  ProfileModel model;
  {
    SecretString password = ReadPassword(io, o.fromStdin, "Password for " + o.profile + ": ");
    SecretString text = OpenProfileOrFail(o.profile, password.str(), o.fileOptions);
    try {
      LoadProfile(model, text.str(), regional);
    } catch (const EProfileDocumentError& e) {
      throw CommandError(kExitDamaged, e.what());
    }
  }
  const int position = model.FindAccount(o.from);
  if (position < 0 || !model.IsLive(position))
    throw CommandError(kExitUsage, "There is no account " + o.from + " in " + o.profile + ".");
  // The payment works on a copy: a pass phrase typed here is never stored in the profile.
  AccountRecord source = model.Account(position);
  for (int i = 0; i < model.AccountCount(); ++i) SecureWipe(model.Account(i).Password);
  CheckInput(o, source, numberFormat);

  // With --json the texts are not shown; the document says the same.
  std::ostringstream unseen;
  Io shown{io.in, o.json ? unseen : io.out, io.err, io.data};
  Json doc;
  doc["system"] = source.Type == AccountType::Egold ? "e-gold" : "liberty_reserve";
  doc["from"] = JsonText(source.ID);
  doc["state"] = "not_sent";
  doc["message"] = nullptr;
  doc["preview"] = nullptr;
  doc["receipt"] = nullptr;
  int code = kExitFailure;
  try {
    CompletePassPhrase(source, o, shown);
    const ServerConfig servers = LoadServerConfig();
    for (const std::string& problem : servers.Problems) io.err << problem << "\n";
    if (source.Type == AccountType::Egold)
      code = PayEgold(o, source, servers, numberFormat, shown, doc);
    else if (o.mass)
      code = PayMass(o, source, servers, numberFormat, shown, doc);
    else
      code = PayLibertyReserve(o, source, servers, numberFormat, shown, doc);
  } catch (...) {
    SecureWipe(source.Password);
    throw;
  }
  SecureWipe(source.Password);
  if (o.json) PrintJson(io, doc);
  return code;
}

const CommandRegistrar registrar(Command{"pay", kSynopsis,
                                         "send a payment (or a mass payment) from an account", Run});

}  // namespace
}  // namespace nummora::cli
