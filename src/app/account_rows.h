#pragma once
// What the accounts list of the main window shows and when its commands are offered: the
// texts of a row, the refresh timer's rule and the enabled state of every account action.
// Window-free, so it is tested without a display.
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "profile/model.h"

namespace nummora {

// The amount a row shows: for e-gold the given value of its metals at the current rates, for
// Liberty Reserve LReur when the display currency is "EUR", else LRusd.
Currency RowAmount(const AccountRecord& account, const std::string& displayCurrency, Currency egoldValue);
// "$" + amount for USD, otherwise the currency code, a blank and the amount ($1234.5, EUR 10).
std::string BalanceText(Currency amount, const std::string& displayCurrency);
// "Active account: " + caption, or "Active account: ..." when there is none.
std::string ActiveAccountText(const std::string* caption);

// Whether the timer asks for a refresh: Refresh is not 0 and the time between now and Updated,
// without sign and cut to whole minutes, is at least Refresh minutes.
bool RefreshDue(const AccountRecord& account, TDateTime now);
// Whether new metal rates are due: at least 30 whole minutes since RatesTime.
bool RatesDue(TDateTime ratesTime, TDateTime now);
// Whole minutes between two date-times, without sign.
int64_t WholeMinutesBetween(TDateTime a, TDateTime b);

// The enabled state of the account actions.
struct AccountActionStates {
  bool newAccount = false;
  bool deleteAccount = false;
  bool info = false;
  bool balance = false;
  bool updateAll = true;
  bool spend = false;
  bool viewHistory = false;
  bool copyNumber = false;
  bool moveUp = false;
  bool moveDown = false;
};
AccountActionStates ComputeAccountActionStates(const ProfileModel& model, bool accountsTabCurrent);

// Table positions of the live accounts whose automatic refresh is due, in table order.
std::vector<int> DueRefreshes(const ProfileModel& model, TDateTime now);
// Table positions of the live accounts, in table order (Update all balances).
std::vector<int> LivePositions(const ProfileModel& model);

}  // namespace nummora
