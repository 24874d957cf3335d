#include "payments/payment_effects.h"

#include <algorithm>

namespace nummora {
namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

PaymentRecord Record(const char* kind, const SentPayment& sent, const std::string& batch,
                     const std::string& name) {
  PaymentRecord r;
  r.kind = kind;
  r.batch = batch;
  r.source = sent.sourceText;
  r.recipient = sent.payee;
  r.name = name;
  r.amount = sent.amount;
  r.units = sent.units;
  r.memo = sent.memo;
  r.merchant = sent.merchant;
  return r;
}

// The letter's small form: ASCII and the Latin-1 capitals (the multiplication sign excepted).
unsigned char FoldCase(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
    return static_cast<unsigned char>(c + 32);
  return c;
}

}  // namespace

bool AlphabeticalLess(const std::string& a, const std::string& b) {
  const auto folded = [](char x, char y) {
    return FoldCase(static_cast<unsigned char>(x)) < FoldCase(static_cast<unsigned char>(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
  return a < b;  // the same letters: capitals first, so that the order is total
}

void ApplyBalanceChange(const BalanceChange& change, AccountRecord& entry) {
  if (change.metal >= 0) {
    double* fields[] = {&entry.Gold, &entry.Silver, &entry.Platinum, &entry.Palladium};
    if (change.metal < 4) *fields[change.metal] += change.ounces;
    return;
  }
  Currency& balance = change.euro ? entry.LReur : entry.LRusd;
  balance = change.replace ? change.value : balance + change.value;
}

PaymentEffects EffectsOfPayment(const ProfileModel& model, const SentPayment& sent,
                                const PaymentOutcome& outcome, const FormatSettings& numberFormat) {
  PaymentEffects out;
  if (outcome.result == PaymentResult::Refused) return out;
  if (!outcome.Paid()) {
    out.refresh.push_back(sent.source);
    return out;
  }
  const int payee = model.FindAccount(sent.payee);
  const bool payeeIsOwn = payee >= 0 && model.IsLive(payee) && payee != sent.source;
  const bool egold = sent.type == AccountType::Egold;
  if (egold) {
    out.changes.push_back({sent.source, sent.metal, -outcome.ounces});
    out.refresh.push_back(sent.source);
  } else if (outcome.closingBalance) {
    BalanceChange change;
    change.position = sent.source;
    change.euro = sent.euro;
    change.replace = true;
    change.value = *outcome.closingBalance;
    out.changes.push_back(change);
  } else {
    out.refresh.push_back(sent.source);
  }
  out.records.push_back(Record("Spent", sent, outcome.batch, outcome.payeeName));
  if (!payeeIsOwn) return out;

  if (egold) {
    out.changes.push_back({payee, sent.metal, outcome.ounces});
    out.refresh.push_back(payee);
  } else {
    Currency amount = 0;
    if (!TryStrToCurrGrouped(sent.amount, numberFormat, amount)) amount = 0;
    BalanceChange change;
    change.position = payee;
    change.euro = sent.euro;
    change.value = amount;
    out.changes.push_back(change);
  }
  PaymentRecord received = Record("Received", sent, outcome.batch, outcome.payeeName);
  received.source = sent.payee;
  received.recipient = sent.sourceText;
  out.records.push_back(received);
  return out;
}

std::vector<int> MassPaymentRefreshes(const ProfileModel& model, int source,
                                      const std::vector<std::string>& payees) {
  std::vector<int> refresh{source};
  for (const std::string& payee : payees) {
    const int position = model.FindAccount(payee);
    if (position < 0 || !model.IsLive(position)) continue;
    if (std::find(refresh.begin(), refresh.end(), position) == refresh.end()) refresh.push_back(position);
  }
  return refresh;
}

bool WorthRemembering(const std::string& text) {
  return Trimmed(text).size() > 3;
}

std::vector<std::string> HistoryChoices(const std::string& stored) {
  std::vector<std::string> choices;
  std::string line;
  for (char c : stored + "\n") {
    if (c == '\r' || c == '\n') {
      if (!line.empty()) choices.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  std::stable_sort(choices.begin(), choices.end(), AlphabeticalLess);
  return choices;
}

std::string AddToHistory(const std::string& stored, const std::string& text) {
  std::vector<std::string> choices = HistoryChoices(stored);
  choices.push_back(text);
  std::stable_sort(choices.begin(), choices.end(), AlphabeticalLess);
  std::string joined;
  for (const std::string& choice : choices) joined += choice + "\r\n";
  return joined;
}

}  // namespace nummora
