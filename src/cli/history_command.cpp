// nummora-cli history: downloads the history of one account of a profile for a period, with
// the same requests and readers as the history windows (every Liberty Reserve page), and prints
// it as a table or as CSV for a spreadsheet. Nothing is written to the profile.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_output.h"
#include "common/account_label.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/secure_memory.h"
#include "common/untrusted_text.h"
#include "history/egold_history.h"
#include "history/history_request.h"
#include "history/lr_history.h"
#include "net/egold.h"
#include "net/form_encoding.h"
#include "net/http_client.h"
#include "net/liberty_reserve.h"
#include "net/server_config.h"
#include "profile/document.h"
#include "profile/model.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli history --profile FILE ACCOUNT-ID --from DATE --to DATE [--type KINDS]\n"
    "                      [--batch N] [--recipient ACCOUNT] [--merchant REF] [--csv | --json]\n"
    "                      [--password-stdin] [--volume-serial HEX] [--date-format PATTERN]\n"
    "      Downloads the account's history for the days from --from to --to (both included;\n"
    "      DATE as yyyy-mm-dd or in the date format) and prints it newest first for e-gold,\n"
    "      in the server's order for Liberty Reserve (every page). Exit code 0 when the\n"
    "      history was read (also when it holds no transaction), 1 when the server refused or\n"
    "      could not be reached, or the history has more pages than one download reads\n"
    "      (4000 pages or 128 MiB: choose a shorter period).\n"
    "  --type KINDS    e-gold kinds, separated by commas: received, made, inexchanges,\n"
    "                  outexchanges, redemptions, bailments, fees, incentives, all\n"
    "                  (default received,made)\n"
    "  --csv           comma-separated values with a caption line, UTF-8, for a spreadsheet:\n"
    "                  the texts as they are, but a cell that begins with = + - @, a tab or\n"
    "                  a CR (and is no number) gets a leading ' so it is never run as a formula\n"
    "  --json          one document: {\"account\", \"system\" (\"e-gold\" or \"liberty_reserve\"),\n"
    "                  \"from\", \"to\", \"rows\": [{\"date\" (ISO 8601: e-gold local time, Liberty\n"
    "                  Reserve UTC with a Z; null when the server's text is no date), \"dateText\"\n"
    "                  (as the server wrote it), \"type\", \"id\", \"counterparty\", \"amount\" (the\n"
    "                  server's decimal text), \"unit\", \"memo\", \"merchant\"}], \"totals\" (e-gold:\n"
    "                  {\"received\", \"made\", \"fee\", \"incentive\"} as decimal strings; else null),\n"
    "                  \"leftOutOfTotals\"}\n"
    "      In the table, control characters in memos and names show as \\xHH (ESC as \\x1b).\n";

// Reads "yyyy-mm-dd", else a date in the regional short format.
TDateTime ParseDate(const std::string& text, const FormatSettings& regional, const std::string& option) {
  int year = 0, month = 0, day = 0;
  char tail = 0;
  TDateTime value = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) == 3 &&
      TryEncodeDate(year, month, day, value))
    return value;
  if (TryStrToDate(text, regional, value)) return DateOf(value);
  throw CommandError(kExitUsage, option + " takes a date as yyyy-mm-dd or " + regional.shortDateFormat + ".");
}

void SetKinds(const std::string& list, HistoryFilters& f) {
  f.received = f.made = false;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string kind = list.substr(start, end - start);
    const bool all = kind == "all";
    bool known = all;
    auto tick = [&](const char* name, bool& box) {
      if (all || kind == name) box = known = true;
    };
    tick("received", f.received);
    tick("made", f.made);
    tick("inexchanges", f.inExchanges);
    tick("outexchanges", f.outExchanges);
    tick("redemptions", f.redemptions);
    tick("bailments", f.bailments);
    tick("fees", f.fees);
    tick("incentives", f.incentives);
    if (!known) throw CommandError(kExitUsage, "--type does not know the kind \"" + kind + "\".");
    start = end + 1;
  }
}

std::size_t Columns(std::string_view utf8) {
  return std::size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::vector<std::string> Captions(AccountType type) {
  if (type == AccountType::LibertyReserve)
    return {"Date", "Type", "Transaction ID", "To/From", "Amount", "Currency", "Memo", "Merchant"};
  return {"Date", "Type", "Batch", "To/From", "Amount", "e-metal", "Memo", "Merchant"};
}

std::string CsvField(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// CSV is data: the cells keep their text byte for byte (on standard output as it is), and only
// a cell a spreadsheet would run as a formula is marked as text.
void PrintCsv(const HistoryTable& rows, AccountType type, Io& io) {
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) io.data << (i ? "," : "") << CsvField(cells[i]);
    io.data << "\r\n";
  };
  line(Captions(type));
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    std::vector<std::string> cells;
    for (std::size_t cell = 0; cell < kHistoryShownCells; ++cell)
      cells.push_back(Latin1ToUtf8(SpreadsheetCell(rows.Cell(row, cell))));
    line(cells);
  }
}

// The table is for the terminal: a control character in a cell is shown by its code, so that
// a memo can neither send commands to the terminal nor break the lines of the table.
void PrintTable(const HistoryTable& rows, AccountType type, Io& io) {
  std::vector<std::vector<std::string>> lines{Captions(type)};
  for (std::size_t row = 0; row < rows.RowCount(); ++row) {
    std::vector<std::string> cells;
    for (std::size_t cell = 0; cell < kHistoryShownCells; ++cell)
      cells.push_back(Latin1ToUtf8(VisibleControls(rows.Cell(row, cell))));
    lines.push_back(std::move(cells));
  }
  std::vector<std::size_t> widths(kHistoryShownCells, 0);
  for (const auto& cells : lines)
    for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], Columns(cells[i]));
  for (const auto& cells : lines) {
    std::string text;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      text += cells[i];
      if (i + 1 < cells.size()) text += std::string(widths[i] - Columns(cells[i]) + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    io.out << text << "\n";
  }
}

// A row's date in ISO 8601: e-gold writes "mm/dd/yyyy hh:mm:ss" in its local time, Liberty
// Reserve "yyyy-dd-mm hh:mm:ss" in UTC (day before month). Null for a text that is neither.
Json IsoDate(AccountType type, std::string_view text) {
  const bool lr = type == AccountType::LibertyReserve;
  int a = 0, b = 0, c = 0, hour = 0, minute = 0, second = 0;
  char tail = 0;
  const std::string t(text);
  const char* form = lr ? "%4d-%2d-%2d %2d:%2d:%2d%c" : "%2d/%2d/%4d %2d:%2d:%2d%c";
  if (std::sscanf(t.c_str(), form, &a, &b, &c, &hour, &minute, &second, &tail) != 6) return nullptr;
  const int year = lr ? a : c, month = lr ? c : a, day = b;
  TDateTime check = 0;
  if (!TryEncodeDate(year, month, day, check) || !TryEncodeTime(hour, minute, second, 0, check))
    return nullptr;
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d%s", year, month, day, hour, minute, second,
                lr ? "Z" : "");
  return Json(std::string(iso));
}

struct Download {
  HistoryTable rows;
  HistoryTotals totals;
  std::size_t leftOut = 0;
};

Download DownloadEgold(HttpClient& client, const ServerConfig& servers, const AccountRecord& account,
                       const HistoryFilters& filters, const FormatSettings& numberFormat) {
  SecretString login(EgoldLoginLine(account));
  SecretString body(FormBodyFromText(login.str()));
  const HttpResult result =
      client.Post(servers.EgoldSecure + kEgoldHistoryCsvPath + EgoldHistoryQuery(filters), body.str());
  Download download;
  // "No Records Found" is an empty history here, not a failure.
  if (result.Succeeded && (result.Body.empty() || result.Body == "No Records Found")) return download;
  const std::string message =
      HistoryReplyMessage(AccountType::Egold, result.Succeeded, result.Body, account.ID);
  if (!message.empty())
    throw CommandError(kExitFailure, result.Succeeded ? message : message + ": " + result.Message);
  EgoldHistory history = ReadEgoldHistory(result.Body, numberFormat);
  download.rows = std::move(history.rows);
  download.totals = history.totals;
  download.leftOut = history.amountsLeftOut;
  return download;
}

Download DownloadLR(HttpClient& client, const ServerConfig& servers, const AccountRecord& account,
                    const HistoryFilters& filters, const FormatSettings& numberFormat) {
  const std::string prefix = LRHistoryRequestPrefix(account, filters, LRRequestId(), LocalToUtc(0));
  Download download;
  LRHistoryPaging paging;
  for (int page = 1;; page = paging.NextPage()) {
    const std::string body = FormBodyFromText(LRFormBody(LRHistoryPageRequest(prefix, page)));
    const HttpResult result = client.Post(servers.LibertyReserve + kLRHistoryPath, body);
    if (!result.Succeeded) throw CommandError(kExitFailure, "Connection problem: " + result.Message);
    const LRHistoryPage read = ReadLRHistoryPage(result.Body, numberFormat);
    // A page in error, a page sent again or a history past the limits ends the command with
    // nothing printed: a history cut short is never printed as if it were whole.
    const LRHistoryPaging::Step step = paging.Take(read, result.Body.size());
    if (!step.message.empty()) throw CommandError(kExitFailure, step.message);
    download.rows.Append(read.rows);
    if (!paging.MorePages()) break;
  }
  return download;
}

void PrintJsonHistory(const Download& download, const AccountRecord& account, const HistoryFilters& filters,
                      Io& io) {
  const auto cell = [&download](std::size_t row, HistoryCell c) {
    return JsonText(std::string(download.rows.Cell(row, c)));
  };
  Json rows = Json::array();
  for (std::size_t row = 0; row < download.rows.RowCount(); ++row) {
    rows.push_back({{"date", IsoDate(account.Type, download.rows.Cell(row, kCellDate))},
                    {"dateText", cell(row, kCellDate)},
                    {"type", cell(row, kCellType)},
                    {"id", cell(row, kCellBatch)},
                    {"counterparty", cell(row, kCellToFrom)},
                    {"amount", cell(row, kCellAmount)},
                    {"unit", cell(row, kCellUnit)},
                    {"memo", cell(row, kCellMemo)},
                    {"merchant", cell(row, kCellMerchant)}});
  }
  Json doc;
  doc["account"] = JsonText(account.ID);
  doc["system"] = account.Type == AccountType::LibertyReserve ? "liberty_reserve" : "e-gold";
  doc["from"] = JsonDate(filters.from);
  doc["to"] = JsonDate(filters.to);
  doc["rows"] = std::move(rows);
  if (account.Type == AccountType::LibertyReserve) {
    doc["totals"] = nullptr;
  } else {
    const HistoryTotals& t = download.totals;
    doc["totals"] = {{"received", JsonAmount(t.received)},
                     {"made", JsonAmount(t.made)},
                     {"fee", JsonAmount(t.fee)},
                     {"incentive", JsonAmount(t.incentive)}};
  }
  doc["leftOutOfTotals"] = download.leftOut;
  PrintJson(io, doc);
}

int Run(const std::vector<std::string>& args, Io& io) {
  Arguments parsed(args,
                   {"--profile", "--from", "--to", "--type", "--batch", "--recipient", "--merchant",
                    "--volume-serial", "--date-format"},
                   {"--csv", "--password-stdin", "--json"});
  const std::optional<std::string> path = parsed.Value("--profile");
  if (!path || parsed.Positional().size() != 1 || !parsed.Value("--from") || !parsed.Value("--to"))
    throw CommandError(kExitUsage, "Name the profile file with --profile, one account, --from and --to.\n" +
                                       std::string(kSynopsis));
  FormatSettings regional = UsEnglishFormatSettings();
  if (auto pattern = parsed.Value("--date-format"))
    regional = MakeFormatSettings(*pattern, regional.longTimeFormat, regional.amText, regional.pmText);
  const FormatSettings numberFormat = MakeNumberFormat(regional);
  HistoryFilters filters;
  filters.from = ParseDate(*parsed.Value("--from"), regional, "--from");
  filters.to = ParseDate(*parsed.Value("--to"), regional, "--to");
  if (auto kinds = parsed.Value("--type")) SetKinds(*kinds, filters);
  filters.batch = parsed.Value("--batch").value_or("");
  filters.recipient = parsed.Value("--recipient").value_or("");
  filters.merchant = parsed.Value("--merchant").value_or("");
  const bool fromStdin = parsed.Has("--password-stdin");
  ProfileFileOptions options;
  if (auto serial = parsed.Value("--volume-serial"))
    options.volume_serial = ParseSerial(*serial, "--volume-serial");

  SecretString password = ReadPassword(io, fromStdin, "Password for " + *path + ": ");
  ProfileModel model;
  {
    SecretString text = OpenProfileOrFail(*path, password.str(), options);
    try {
      LoadProfile(model, text.str(), regional);
    } catch (const EProfileDocumentError& e) {
      throw CommandError(kExitDamaged, e.what());
    }
  }
  const std::string accountId = parsed.Positional()[0];
  AccountRecord account = AccountWithPassPhrase(model, accountId, *path, io, fromStdin);

  const ServerConfig servers = LoadServerConfig();
  HttpOptions httpOptions;
  httpOptions.CAFile = servers.CAFile;
  HttpClient client(httpOptions);
  Download download;
  try {
    download = account.Type == AccountType::LibertyReserve
                   ? DownloadLR(client, servers, account, filters, numberFormat)
                   : DownloadEgold(client, servers, account, filters, numberFormat);
  } catch (...) {
    SecureWipe(account.Password);
    throw;
  }
  SecureWipe(account.Password);

  if (parsed.Has("--json")) {
    PrintJsonHistory(download, account, filters, io);
    return kExitOk;
  }
  if (parsed.Has("--csv")) {
    PrintCsv(download.rows, account.Type, io);
    return kExitOk;
  }
  if (download.rows.RowCount() == 0) {
    io.out << "No Records Found\n";
    return kExitOk;
  }
  PrintTable(download.rows, account.Type, io);
  for (const std::string& total : HistoryTotalTexts(download.totals, numberFormat)) io.out << total << "\n";
  if (download.leftOut > 0)
    io.out << download.leftOut << " row(s) left out of the totals: amount not a number\n";
  return kExitOk;
}

const CommandRegistrar registrar(Command{"history", kSynopsis,
                                         "print one account's history for a period, as a table or CSV", Run});

}  // namespace
}  // namespace nummora::cli
