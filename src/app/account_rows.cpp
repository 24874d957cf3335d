#include "app/account_rows.h"

#include <cmath>

namespace nummora {

Currency RowAmount(const AccountRecord& account, const std::string& displayCurrency, Currency egoldValue) {
  if (account.Type == AccountType::Egold) return egoldValue;
  return displayCurrency == "EUR" ? account.LReur : account.LRusd;
}

std::string BalanceText(Currency amount, const std::string& displayCurrency) {
  if (displayCurrency == "USD") return "$" + CurrToStr(amount);
  return displayCurrency + " " + CurrToStr(amount);
}

std::string ActiveAccountText(const std::string* caption) {
  return "Active account: " + (caption ? *caption : std::string("..."));
}

int64_t WholeMinutesBetween(TDateTime a, TDateTime b) {
  const double minutes = std::fabs(a - b) * 24.0 * 60.0;
  if (!std::isfinite(minutes)) return INT64_MAX;
  // A hair of tolerance so that exactly ten minutes computed in days does not read as 9.999...
  return static_cast<int64_t>(std::floor(minutes + 1e-7));
}

bool RefreshDue(const AccountRecord& account, TDateTime now) {
  return account.Refresh != 0 && WholeMinutesBetween(now, account.Updated) >= account.Refresh;
}

bool RatesDue(TDateTime ratesTime, TDateTime now) {
  return WholeMinutesBetween(now, ratesTime) >= 30;
}

AccountActionStates ComputeAccountActionStates(const ProfileModel& model, bool accountsTabCurrent) {
  AccountActionStates s;
  const int row = model.SelectedRow();
  const bool selected = row >= 0 && row < model.RowCount();
  s.newAccount = model.CanCreateAccount();
  s.deleteAccount = s.info = s.spend = s.viewHistory = s.copyNumber = selected;
  if (selected) {
    const int position = model.AccountOfRow(row);
    s.balance = model.IsValidPosition(position) && !model.Account(position).Refreshing;
  }
  s.updateAll = true;
  s.moveUp = selected && accountsTabCurrent && row > 0;
  s.moveDown = selected && accountsTabCurrent && row < model.RowCount() - 1;
  return s;
}

std::vector<int> DueRefreshes(const ProfileModel& model, TDateTime now) {
  std::vector<int> due;
  for (int position = 0; position < model.AccountCount(); ++position) {
    if (model.IsLive(position) && RefreshDue(model.Account(position), now)) due.push_back(position);
  }
  return due;
}

std::vector<int> LivePositions(const ProfileModel& model) {
  std::vector<int> live;
  for (int position = 0; position < model.AccountCount(); ++position)
    if (model.IsLive(position)) live.push_back(position);
  return live;
}

}  // namespace nummora
