#pragma once
// The e-gold Automation pages: the login line every request starts with, the reading of error
// pages and the reading of the balance page. Pages are searched for fixed texts and field
// patterns; there is no HTML parser. Pure functions.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "profile/model.h"

namespace nummora {

inline constexpr const char* kEgoldBalancePath = "/acct/balance.asp";
inline constexpr const char* kEgoldVerifyPath = "/acct/verify.asp";
inline constexpr const char* kEgoldConfirmPath = "/acct/confirm.asp";
inline constexpr const char* kEgoldHistoryCsvPath = "/acct/historycsv.asp";
inline constexpr const char* kEgoldMetalDataPath = "/unsecure/metaldata.asp";
inline constexpr const char* kEgoldNewAccountPath = "/newacct/newaccount.asp";

// The login as form text of two lines, "AccountID=" + ID and "PassPhrase=" + Password,
// separated by CR LF; the form encoding joins them with "&" and encodes each value, so a pass
// phrase holding "&" or "+" arrives as typed. It holds the pass phrase: never log it as it is
// (see MaskPassPhrase).
std::string EgoldLoginLine(const AccountRecord& account);
// The same two form lines as a list, for requests built line by line.
std::vector<std::string> EgoldLoginFields(const AccountRecord& account);

// A text for the logs: every value after "PassPhrase=" (up to the end of its line) replaced
// by asterisks. A pass phrase may itself hold "&" or "=", so the whole rest of the line goes.
// An empty value stays empty.
std::string MaskPassPhrase(const std::string& text);

// The error text of an Automation page, or an empty text when the page reports no error:
// the login failure text (with the account number) on the login-failure page, else the value
// of the hidden ERROR field when it is closed by a quote and ">" within 9999 characters. The
// login-failure page is a page that contains "Could not login to account." and none of the
// fields the server writes only after a successful login (PAYEE_NAME, PAYMENT_BATCH_NUM): on
// the preview and receipt pages that sentence can only be an echo of the payee's name, a memo
// or a merchant reference. Callers reading a payment's reply look for its batch number first:
// a page with one is a completed payment whatever else it says. Throws ERangeError when the
// ERROR field lies beyond byte 65535.
std::string EgoldErrorText(const std::string& page, const std::string& accountId);

// Whether a reply of "/acct/historycsv.asp" reads as the CSV export of a history: its first line,
// the header, names at least eight comma-separated columns (the export has twelve; the list and
// the totals read the first nine) and holds no "<". The server's error pages are HTML, and its
// sentences are no list of column names, so the text of the rows (memos, names, merchant
// references written by other people) never makes an export read as an error page.
bool IsEgoldHistoryCsv(std::string_view reply);

// Whether an e-gold answer reports a failed login: it holds "Could not login to account" and is
// neither a page the server writes only after a good login (a payee's name, a batch number)
// nor a history export, whose rows hold what other people wrote.
bool IsEgoldLoginFailureAnswer(const std::string& answer);

enum class EgoldPageOutcome {
  LoginFailure,
  LockedOut,
  Balances,
  // None of the four fields and no "none" cell: some other page (an ERROR page, a maintenance
  // or portal page). It must not be taken for an account emptied of all its metal.
  NotABalancePage,
};

// The account's balances in metal order.
MetalAmounts MetalBalances(const AccountRecord& account);
void SetMetalBalances(AccountRecord& account, const MetalAmounts& balances);

struct EgoldBalancePage {
  EgoldPageOutcome outcome = EgoldPageOutcome::Balances;
  MetalAmounts balances{};                  // the new balances (outcome Balances only)
  std::array<bool, kMetalCount> changed{};  // which of them differ from the record's
  bool AnyChanged() const { return changed[0] || changed[1] || changed[2] || changed[3]; }
};

// Reads the balance page against the record's current balances: login failure, locked out,
// the four balances (all 0 for the "none" cell of an account without metal; a missing field
// gives 0 as long as another one is there; a value is the text before the closing quote among
// the 20 characters of the value, read with the number format, 0 when it is not a number), or
// no balance page at all (balances left as they were, nothing changed). Throws ERangeError
// when a field name lies beyond byte 65535.
EgoldBalancePage ReadEgoldBalancePage(const std::string& page, const MetalAmounts& current,
                                      const FormatSettings& numberFormat);

// A metal's value: balance times rate as a fixed-point amount rounded to four decimals; 0 when
// the product cannot be held in a fixed-point amount.
Currency MetalValue(double balance, double rate);

// The value of an e-gold account: the sum of its four metal values (0 when the sum does not
// fit a fixed-point amount).
Currency AccountValue(const AccountRecord& account, const MetalAmounts& rates);

// The value as shown in the accounts list and the change notice: "$" + amount for "USD",
// otherwise amount + " " + the display currency; shortest form with the number format.
std::string AccountValueText(Currency value, const std::string& displayCurrency,
                             const FormatSettings& numberFormat);

}  // namespace nummora
