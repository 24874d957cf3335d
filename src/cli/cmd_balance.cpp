// nummora-cli balance: refreshes the balance of one account of a profile against the configured
// servers and prints what the tray would announce. The profile file is rewritten only with
// --save (the new balances, Updated and Status of that one account).
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_output.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/secure_memory.h"
#include "market/rates.h"
#include "net/balance_outcome.h"
#include "net/egold.h"
#include "net/form_encoding.h"
#include "net/http_client.h"
#include "net/liberty_reserve.h"
#include "net/server_config.h"
#include "platform/volume_serial.h"
#include "profile/document.h"
#include "profile/model.h"
#include "profile/profile_file.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli balance --profile FILE ACCOUNT-ID [--save] [--password-stdin]\n"
    "                      [--volume-serial HEX] [--display-currency USD|EUR]\n"
    "                      [--date-format PATTERN] [--time-format PATTERN] [--verbose]\n"
    "      Asks the account's payment system for its balance (servers from servers.ini)\n"
    "      and prints the notice the tray would show. Exit code 0 when the balance was\n"
    "      read, 1 when the server refused or could not be reached.\n"
    "  --save                store the new balance in the profile file\n"
    "  --password-stdin      read the profile password, and a pass phrase that the profile\n"
    "                        does not hold, as lines of standard input\n"
    "  --display-currency    currency of the stored metal rates for e-gold values (USD)\n"
    "  --date-format, --time-format  the regional formats the profile's dates are written in\n"
    "  --verbose             also print the events-list lines to standard error\n"
    "  --json                one document: {\"account\", \"state\" (\"read\": the server answered\n"
    "                        with the balance; \"refused\": it answered with a refusal;\n"
    "                        \"failed\": no readable answer), \"changed\", \"notice\" ({\"kind\",\n"
    "                        \"title\", \"message\"} or null), \"balances\" (as profile show\n"
    "                        --json writes them, or null), \"saved\"}\n";

// Lines of a notice message may be separated by CR LF; the terminal wants LF.
std::string PlainLines(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

const char* NoticeKindName(NotifyKind kind) {
  switch (kind) {
    case NotifyKind::Error:
      return "error";
    case NotifyKind::Warning:
      return "warning";
    case NotifyKind::Information:
      return "information";
    case NotifyKind::Confirmation:
    case NotifyKind::Plain:
      break;
  }
  return "plain";
}

// Whether the server answered with the balance, answered with a refusal, or gave nothing
// readable.
const char* OutcomeState(const BalanceOutcome& outcome) {
  if (outcome.readFailed || !outcome.store) return "failed";
  if (outcome.notice && outcome.notice->kind == NotifyKind::Error) return "refused";
  return "read";
}

Json BalancesJson(const AccountBalances& b) {
  if (b.type == AccountType::LibertyReserve) return {{"usd", JsonAmount(b.usd)}, {"eur", JsonAmount(b.eur)}};
  return {{"gold", b.metals[kGold]},
          {"silver", b.metals[kSilver]},
          {"platinum", b.metals[kPlatinum]},
          {"palladium", b.metals[kPalladium]}};
}

void PrintJsonOutcome(const BalanceOutcome& outcome, const std::string& accountId, bool saved, Io& io) {
  Json doc;
  doc["account"] = JsonText(accountId);
  doc["state"] = OutcomeState(outcome);
  doc["changed"] = outcome.notice.has_value() && outcome.notice->kind != NotifyKind::Error;
  if (outcome.notice)
    doc["notice"] = {{"kind", NoticeKindName(outcome.notice->kind)},
                     {"title", JsonText(outcome.notice->title)},
                     {"message", JsonText(PlainLines(outcome.notice->message))}};
  else
    doc["notice"] = nullptr;
  doc["balances"] = outcome.storeBalances ? BalancesJson(BalancesOf(outcome.account)) : Json(nullptr);
  doc["saved"] = saved;
  PrintJson(io, doc);
}

void PrintOutcome(const BalanceOutcome& outcome, const AccountRecord& account, Io& io) {
  if (outcome.notice) {
    io.out << outcome.notice->title << "\n" << PlainLines(outcome.notice->message) << "\n";
  } else if (outcome.readFailed) {
    io.out << outcome.events.back() << "\n";
  } else {
    io.out << "Balance of " << account.ID << " unchanged\n";
  }
}

// The regional formats the profile's dates are written in: US English unless named.
FormatSettings RegionalOf(const Arguments& parsed) {
  FormatSettings regional = UsEnglishFormatSettings();
  if (parsed.Value("--date-format") || parsed.Value("--time-format")) {
    regional = MakeFormatSettings(parsed.Value("--date-format").value_or(regional.shortDateFormat),
                                  parsed.Value("--time-format").value_or(regional.longTimeFormat),
                                  regional.amText, regional.pmText);
  }
  return regional;
}

// Asks the account's payment system for its balance; the request's log lines go to `events`.
BalanceOutcome RequestBalance(const AccountRecord& account, const ProfileModel& model,
                              const ServerConfig& servers, const FormatSettings& numberFormat,
                              std::vector<std::string>& events) {
  HttpOptions httpOptions;
  httpOptions.CAFile = servers.CAFile;
  HttpClient client(httpOptions);
  if (account.Type != AccountType::Egold) {
    const std::string& base = servers.LibertyReserve;
    const std::string body = FormBodyFromText(LRFormBody(LRBalanceRequest(account)));
    const HttpResult result = client.Post(base + kLRBalancePath, body);
    return result.Succeeded ? LRBalanceOutcome(account, result.Body, numberFormat)
                            : LRTransportFailure(account, result.Message);
  }
  const std::string& base = servers.EgoldSecure;
  events.push_back(EgoldRequestLogLine(base, account));
  SecretString login(EgoldLoginLine(account));
  SecretString body(FormBodyFromText(login.str()));
  const HttpResult result = client.Post(base + kEgoldBalancePath, body.str());
  if (!result.Succeeded) return EgoldTransportFailure(account, result.Message);
  // Kept prices in another currency value nothing in the display currency: not numbers.
  const std::string& currency = model.DisplayCurrency;
  const RatesState kept = ReadRates(model.RatesText, RatesState{}, numberFormat, nullptr, currency);
  MetalAmounts rates;
  rates.fill(std::numeric_limits<double>::quiet_NaN());
  if (const std::optional<MetalAmounts> same = RatesIn(kept, currency)) rates = *same;
  return EgoldBalanceOutcome(account, base, result.Body, rates, currency, numberFormat);
}

int Run(const std::vector<std::string>& args, Io& io) {
  Arguments parsed(args,
                   {"--profile", "--volume-serial", "--display-currency", "--date-format", "--time-format"},
                   {"--save", "--password-stdin", "--verbose", "--json"});
  const std::optional<std::string> path = parsed.Value("--profile");
  if (!path || parsed.Positional().size() != 1)
    throw CommandError(kExitUsage,
                       "Name the profile file with --profile and one account.\n" + std::string(kSynopsis));
  const std::string accountId = parsed.Positional()[0];
  const bool fromStdin = parsed.Has("--password-stdin");
  ProfileFileOptions options;
  if (auto serial = parsed.Value("--volume-serial"))
    options.volume_serial = ParseSerial(*serial, "--volume-serial");
  const std::string displayCurrency = parsed.Value("--display-currency").value_or("USD");
  if (displayCurrency != "USD" && displayCurrency != "EUR")
    throw CommandError(kExitUsage, "--display-currency is USD or EUR.");
  const FormatSettings regional = RegionalOf(parsed);

  SecretString password = ReadPassword(io, fromStdin, "Password for " + *path + ": ");
  ProfileModel model;
  ProfileKey key;  // the profile is saved back in the format it was read in
  {
    SecretString text = OpenProfileOrFail(*path, password.str(), options, &key);
    try {
      LoadProfile(model, text.str(), regional);
    } catch (const EProfileDocumentError& e) {
      throw CommandError(kExitDamaged, e.what());
    }
  }
  model.DisplayCurrency = displayCurrency;

  // The request works on a copy; a pass phrase typed here is used for this request only and
  // never stored in the profile.
  AccountRecord account = AccountWithPassPhrase(model, accountId, *path, io, fromStdin);
  const ServerConfig servers = LoadServerConfig();
  if (parsed.Has("--verbose"))
    for (const std::string& problem : servers.Problems) io.err << problem << "\n";
  std::vector<std::string> events;
  BalanceOutcome outcome = RequestBalance(account, model, servers, MakeNumberFormat(regional), events);
  SecureWipe(account.Password);
  SecureWipe(outcome.account.Password);
  events.insert(events.end(), outcome.events.begin(), outcome.events.end());

  if (parsed.Has("--verbose")) {
    const std::string time = TimeToStr(Now(), regional);
    for (const std::string& line : events) io.err << time << ": " << PlainLines(line) << "\n";
  }
  const bool json = parsed.Has("--json");
  if (!json) PrintOutcome(outcome, account, io);

  bool saved = false;
  if (parsed.Has("--save") && outcome.store) {
    ApplyBalanceOutcome(outcome, model.Account(model.FindAccount(accountId)), Now());
    try {
      // Passwords are written back exactly as the profile held them.
      SaveProfile(model, key, *path, /*save_passwords=*/true, regional, options);
    } catch (const NummoraError& e) {
      throw CommandError(kExitFailure, e.what());
    }
    saved = true;
    if (!json) io.out << "Saved " << *path << "\n";
  }
  if (json) PrintJsonOutcome(outcome, accountId, saved, io);

  const bool refused =
      outcome.readFailed || (outcome.notice && outcome.notice->kind == BalanceNoticeKind::Error);
  return refused ? kExitFailure : kExitOk;
}

const CommandRegistrar registrar(Command{"balance", kSynopsis,
                                         "refresh one account's balance from its payment system", Run});

}  // namespace
}  // namespace nummora::cli
