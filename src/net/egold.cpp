#include "net/egold.h"

#include "common/comma_rule.h"
#include "common/errors.h"
#include "common/number_text.h"

namespace nummora {

namespace {

// Text positions are kept in 16 bits: a match whose 1-based position exceeds this fails.
constexpr std::size_t kMaxPosition = 65535;

const char kLoginFailureText[] = "Could not login to account";
const char kLoginFailureSentence[] = "Could not login to account.";
const char kErrorField[] = "<input type=hidden name=ERROR";
// From the first character of the ERROR field to its value: the field pattern, " value=" and
// the opening quote.
constexpr std::size_t kErrorValueOffset = 37;
constexpr std::size_t kErrorValueMax = 9999;
// Fields the server writes only on the pages of an account it has logged in to: the preview
// (PAYEE_NAME) and the receipt (PAYMENT_BATCH_NUM). Those pages echo texts other people chose
// (the payee's own name, a memo or merchant reference from a payment link), so the login-failure
// sentence found on them is an echo, not the server's login-failure page.
const char* const kLoggedInFields[] = {"<input type=hidden name=PAYEE_NAME value=\"",
                                       "<input type=hidden name=PAYMENT_BATCH_NUM value=\""};
const char kLockedOutText[] = "The account you have attempted to access is currently locked out";
const char kNoMetalCell[] = "<font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><i>none</i></font></td>";

struct MetalField {
  const char* name;
  std::size_t valueOffset;  // from the name's first character to the value's first digit
};
constexpr MetalField kMetalFields[kMetalCount] = {
    {"Gold_Ounces", 19}, {"Silver_Ounces", 21}, {"Platinum_Ounces", 23}, {"Palladium_Ounces", 24}};
constexpr std::size_t kValueWindow = 20;

bool Contains(const std::string& text, const char* what) {
  return text.find(what) != std::string::npos;
}

// Index of the first occurrence, npos when missing; ERangeError past the 16-bit limit.
std::size_t FindPosition(const std::string& text, const char* what) {
  const std::size_t at = text.find(what);
  if (at != std::string::npos && at + 1 > kMaxPosition) throw ERangeError();
  return at;
}

}  // namespace

std::string EgoldLoginLine(const AccountRecord& account) {
  return "AccountID=" + account.ID + "\r\nPassPhrase=" + account.Password;
}

std::vector<std::string> EgoldLoginFields(const AccountRecord& account) {
  return {"AccountID=" + account.ID, "PassPhrase=" + account.Password};
}

std::string MaskPassPhrase(const std::string& text) {
  static const std::string kKey = "PassPhrase=";
  std::string out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t key = text.find(kKey, from);
    if (key == std::string::npos) {
      out.append(text, from, std::string::npos);
      return out;
    }
    const std::size_t value = key + kKey.size();
    std::size_t end = text.find_first_of("\r\n", value);
    if (end == std::string::npos) end = text.size();
    out.append(text, from, value - from);
    if (end > value) out += "********";
    from = end;
  }
}

bool IsLoginFailurePage(const std::string& page) {
  if (!Contains(page, kLoginFailureSentence)) return false;
  for (const char* field : kLoggedInFields)
    if (Contains(page, field)) return false;
  return true;
}

bool IsEgoldHistoryCsv(std::string_view reply) {
  constexpr std::size_t kHeaderColumns = 8;
  const std::string_view header = reply.substr(0, reply.find_first_of("\r\n"));
  if (header.find('<') != std::string_view::npos) return false;
  return SplitCommaItems(header).size() >= kHeaderColumns;
}

bool IsEgoldLoginFailureAnswer(const std::string& answer) {
  if (!Contains(answer, kLoginFailureText) || IsEgoldHistoryCsv(answer)) return false;
  for (const char* field : kLoggedInFields)
    if (Contains(answer, field)) return false;
  return true;
}

std::string EgoldErrorText(const std::string& page, const std::string& accountId) {
  if (IsLoginFailurePage(page))
    return "Could not login to account " + accountId +
           ". Either Automation Access not enabled, IP Attribute does not match, or PassPhrase "
           "is incorrect.";
  const std::size_t field = FindPosition(page, kErrorField);
  if (field == std::string::npos) return std::string();
  const std::size_t start = field + kErrorValueOffset;
  if (start >= page.size()) return std::string();
  const std::string value = page.substr(start, kErrorValueMax);
  const std::size_t close = value.find("\">");
  if (close == std::string::npos) return std::string();
  return value.substr(0, close);
}

MetalAmounts MetalBalances(const AccountRecord& account) {
  return {account.Gold, account.Silver, account.Platinum, account.Palladium};
}

void SetMetalBalances(AccountRecord& account, const MetalAmounts& balances) {
  account.Gold = balances[kGold];
  account.Silver = balances[kSilver];
  account.Platinum = balances[kPlatinum];
  account.Palladium = balances[kPalladium];
}

EgoldBalancePage ReadEgoldBalancePage(const std::string& page, const MetalAmounts& current,
                                      const FormatSettings& numberFormat) {
  EgoldBalancePage result;
  if (Contains(page, kLoginFailureText)) {
    result.outcome = EgoldPageOutcome::LoginFailure;
    return result;
  }
  if (Contains(page, kLockedOutText)) {
    result.outcome = EgoldPageOutcome::LockedOut;
    return result;
  }
  result.outcome = EgoldPageOutcome::Balances;
  if (Contains(page, kNoMetalCell)) {
    // An account without any metal: everything is 0, and it counts as a change when the
    // account held something before.
    for (int m = 0; m < kMetalCount; ++m) {
      result.balances[m] = 0;
      result.changed[m] = current[m] > 0;
    }
    return result;
  }
  bool anyField = false;
  for (int m = 0; m < kMetalCount; ++m) {
    double balance = 0;
    const std::size_t at = FindPosition(page, kMetalFields[m].name);
    if (at != std::string::npos) {
      anyField = true;
      const std::size_t start = at + kMetalFields[m].valueOffset;
      std::string window = start < page.size() ? page.substr(start, kValueWindow) : std::string();
      const std::size_t quote = window.find('"');
      window = quote == std::string::npos ? std::string() : window.substr(0, quote);
      balance = StrToFloatDef(window, numberFormat, 0);
    }
    result.balances[m] = balance;
    result.changed[m] = balance != current[m];
  }
  if (!anyField) {
    result.outcome = EgoldPageOutcome::NotABalancePage;
    result.balances = current;
    result.changed = {};
  }
  return result;
}

Currency MetalValue(double balance, double rate) {
  Currency value = 0;
  if (!CurrencyFromDouble(balance * rate, value)) return 0;
  return value;
}

Currency AccountValue(const AccountRecord& account, const MetalAmounts& rates) {
  const MetalAmounts balances = MetalBalances(account);
  Currency total = 0;
  for (int m = 0; m < kMetalCount; ++m) {
    if (__builtin_add_overflow(total, MetalValue(balances[m], rates[m]), &total)) return 0;
  }
  return total;
}

std::string AccountValueText(Currency value, const std::string& displayCurrency,
                             const FormatSettings& numberFormat) {
  if (displayCurrency == "USD") return "$" + CurrToStr(value, numberFormat);
  return CurrToStr(value, numberFormat) + " " + displayCurrency;
}

}  // namespace nummora
