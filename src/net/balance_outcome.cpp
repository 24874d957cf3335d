#include "net/balance_outcome.h"

#include <algorithm>
#include <cmath>

#include "common/currency.h"
#include "common/errors.h"
#include "net/egold.h"
#include "net/liberty_reserve.h"

namespace nummora {

namespace {

const char kCrLf[] = "\r\n";

BalanceOutcome Begin(const AccountRecord& account) {
  BalanceOutcome out;
  out.account = account;
  return out;
}

void Notice(BalanceOutcome& out, NotifyKind kind, std::string title, std::string message) {
  out.notice = BalanceNotice{kind, std::move(title), std::move(message)};
}

std::string ReadFailedLine(const AccountRecord& account, const std::string& reason) {
  return "The answer for account " + account.ID + " could not be read: " + reason;
}

}  // namespace

AccountBalances BalancesOf(const AccountRecord& account) {
  AccountBalances balances;
  balances.type = account.Type;
  if (account.Type == AccountType::Egold) {
    balances.metals = MetalBalances(account);
  } else {
    balances.usd = account.LRusd;
    balances.eur = account.LReur;
  }
  return balances;
}

void StoreBalances(const AccountBalances& balances, AccountRecord& entry) {
  if (balances.type == AccountType::Egold) {
    SetMetalBalances(entry, balances.metals);
  } else {
    entry.LRusd = balances.usd;
    entry.LReur = balances.eur;
  }
}

std::string EgoldRequestLogLine(const std::string& serverBase, const AccountRecord& account) {
  // Built without the pass phrase itself, so no copy of it is left behind; the same text as
  // MaskPassPhrase gives for the real line.
  return serverBase + kEgoldBalancePath + "AccountID=" + account.ID +
         "&PassPhrase=" + (account.Password.empty() ? "" : "********");
}

BalanceOutcome EgoldBalanceOutcome(const AccountRecord& account, const std::string& serverBase,
                                   const std::string& page, const MetalAmounts& rates,
                                   const std::string& displayCurrency, const FormatSettings& numberFormat) {
  BalanceOutcome out = Begin(account);
  const std::string requestLine = EgoldRequestLogLine(serverBase, account);
  // The refresh mark is cleared (and the request line logged) as soon as the answer is in.
  out.events.push_back(requestLine);

  EgoldBalancePage read;
  std::string errorText;
  try {
    read = ReadEgoldBalancePage(page, MetalBalances(account), numberFormat);
    if (read.outcome == EgoldPageOutcome::NotABalancePage) errorText = EgoldErrorText(page, account.ID);
  } catch (const ERangeError& e) {
    out.readFailed = true;
    out.events.push_back(ReadFailedLine(account, e.what()));
    return out;
  }

  out.store = true;
  out.newStatus = kStatusRefused;
  std::string message = requestLine;
  switch (read.outcome) {
    case EgoldPageOutcome::LoginFailure:
      message = std::string("Check your PassPhrase, or e-gold AccSent.") + kCrLf +
                "Your Automation got to be \"Allowed from any IP\" or allowed from your IP.";
      Notice(out, NotifyKind::Error, "Could not login to account " + account.ID + "!", message);
      out.events.push_back(message);
      break;
    case EgoldPageOutcome::LockedOut:
      message = "The account " + account.ID + " is currently locked out";
      Notice(out, NotifyKind::Error, "Account locked!", message);
      out.events.push_back(message);
      break;
    case EgoldPageOutcome::NotABalancePage:
      // Refused like an error answer: the balances stay, the user is told.
      message = errorText.empty() ? "The answer of the e-gold server holds no balances." : errorText;
      Notice(out, NotifyKind::Error, "Account " + account.ID + " error!", message);
      out.events.push_back(message);
      break;
    case EgoldPageOutcome::Balances:
      SetMetalBalances(out.account, read.balances);
      out.storeBalances = true;
      if (read.AnyChanged()) {
        // Rates that are not numbers are prices not yet had in the display currency: no value
        // is made up from them.
        const bool priced = std::none_of(rates.begin(), rates.end(), [](double r) { return std::isnan(r); });
        message = priced
                      ? "Current balance of " + account.ID + " is " +
                            AccountValueText(AccountValue(out.account, rates), displayCurrency, numberFormat)
                      : "Current balance of " + account.ID + " has changed; its value in " + displayCurrency +
                            " shows when the metal rates in it arrive.";
        Notice(out, NotifyKind::Information, kBalanceChangedTitle, message);
        out.fetchRecentPayments = true;
      }
      out.newStatus = kStatusAccepted;
      break;
  }
  // Finish after Store logs the last message once more.
  out.events.push_back(message);
  return out;
}

BalanceOutcome EgoldTransportFailure(const AccountRecord& account, const std::string& failureMessage) {
  BalanceOutcome out = Begin(account);
  Notice(out, NotifyKind::Error, kConnectionProblemTitle, failureMessage);
  out.events = {failureMessage, failureMessage};
  return out;
}

BalanceOutcome LRBalanceOutcome(const AccountRecord& account, const std::string& answer,
                                const FormatSettings& numberFormat) {
  BalanceOutcome out = Begin(account);
  std::string message;
  try {
    if (!IsLRErrorAnswer(answer)) {
      bool usdChanged = false;
      bool eurChanged = false;
      for (const LRBalanceEntry& entry : ReadLRBalanceAnswer(answer, numberFormat)) {
        Currency& stored = entry.euro ? out.account.LReur : out.account.LRusd;
        if (entry.value != stored) (entry.euro ? eurChanged : usdChanged) = true;
        stored = entry.value;
      }
      if (usdChanged || eurChanged) {
        message = "Current balance of " + account.ID + " is";
        if (usdChanged) message += " $" + CurrToStr(out.account.LRusd, numberFormat);
        if (usdChanged && eurChanged) message += ", ";
        if (eurChanged) message += " " + CurrToStr(out.account.LReur, numberFormat) + " EUR";
        Notice(out, NotifyKind::Information, kBalanceChangedTitle, message);
      }
      out.newStatus = kStatusAccepted;
      out.storeBalances = true;
    } else {
      message = LRErrorMessage(answer);
      Notice(out, NotifyKind::Error, "Account " + account.ID + " error!", message);
      out.events.push_back(message);
      out.newStatus = kStatusRefused;
    }
  } catch (const ERangeError& e) {
    BalanceOutcome failed = Begin(account);
    failed.readFailed = true;
    failed.events.push_back(ReadFailedLine(account, e.what()));
    return failed;
  }
  out.store = true;
  // Finish logs the last message (empty when nothing changed).
  out.events.push_back(message);
  return out;
}

BalanceOutcome LRTransportFailure(const AccountRecord& account, const std::string& failureMessage) {
  BalanceOutcome out = Begin(account);
  Notice(out, NotifyKind::Error, kConnectionProblemTitle, failureMessage);
  out.events = {failureMessage, failureMessage};
  return out;
}

void ApplyBalanceOutcome(const BalanceOutcome& outcome, AccountRecord& entry, TDateTime now) {
  if (!outcome.store) return;
  if (outcome.storeBalances) StoreBalances(BalancesOf(outcome.account), entry);
  entry.Updated = now;
  entry.Status = outcome.newStatus;
}

}  // namespace nummora
