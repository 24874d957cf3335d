#include "market/rates.h"

#include <cmath>
#include <string_view>

#include "common/ascii_text.h"
#include "common/comma_rule.h"
#include "common/number_text.h"
#include "net/egold.h"

namespace nummora {

namespace {

constexpr std::size_t kRateItems = 5;    // a name item and the four prices
constexpr double kArrowThreshold = 0.1;  // rates below this (0 at start) show no arrow

}  // namespace

namespace {
constexpr std::string_view kTagOpen = "[CUR=";
constexpr std::size_t kCodeLength = 3;
constexpr std::size_t kTagLength = kTagOpen.size() + kCodeLength + 1;

bool IsCurrencyCode(std::string_view code) {
  if (code.size() != kCodeLength) return false;
  for (const char c : code)
    if (c < 'A' || c > 'Z') return false;
  return true;
}
}  // namespace

std::string TaggedRatesText(const std::string& currency, const std::string& answer) {
  // Line breaks at the start would end the tag's item and shift every price by one; the
  // reader skips them anyway.
  const std::size_t start = answer.find_first_not_of("\r\n");
  const std::string code = IsCurrencyCode(currency) ? currency : std::string("XXX");
  return std::string(kTagOpen) + code + "]" +
         (start == std::string::npos ? std::string() : answer.substr(start));
}

std::optional<std::string> RatesTextCurrency(const std::string& ratesText) {
  if (ratesText.size() < kTagLength || ratesText.compare(0, kTagOpen.size(), kTagOpen) != 0 ||
      ratesText[kTagLength - 1] != ']')
    return std::nullopt;
  const std::string code = ratesText.substr(kTagOpen.size(), kCodeLength);
  if (!IsCurrencyCode(code)) return std::nullopt;
  return code;
}

RatesState ReadRates(const std::string& ratesText, const RatesState& previous,
                     const FormatSettings& numberFormat, bool* read, const std::string& untaggedCurrency) {
  const std::optional<std::string> tag = RatesTextCurrency(ratesText);
  const std::vector<std::string> items =
      SplitCommaItems(tag ? std::string_view(ratesText).substr(kTagLength) : std::string_view(ratesText));
  if (read) *read = items.size() >= kRateItems;
  if (items.size() < kRateItems) return previous;
  RatesState next = previous;
  next.currency = tag ? *tag : untaggedCurrency;
  // Prices in another currency are no reference for the arrows.
  const bool comparable = previous.currency == next.currency;
  for (int m = 0; m < kMetalCount; ++m) {
    next.cells[m] = TrimControls(items[m + 1]);
    const double rate = StrToFloatDef(next.cells[m], numberFormat, 0);
    const double current = comparable ? previous.rates[m] : 0;
    if (rate == current || current < kArrowThreshold)
      next.pictures[m] = RatePicture::None;
    else
      next.pictures[m] = rate > current ? RatePicture::Rising : RatePicture::Falling;
    next.rates[m] = rate;
  }
  return next;
}

std::optional<MetalAmounts> RatesIn(const RatesState& state, const std::string& currency) {
  if (!state.currency.empty() && state.currency != currency) return std::nullopt;
  return state.rates;
}

RatesState ShownRates(const RatesState& state, const std::string& currency) {
  if (RatesIn(state, currency)) return state;
  RatesState blank;
  blank.currency = state.currency;
  return blank;
}

bool HasEgoldAccount(const std::vector<AccountRecord>& accounts) {
  for (const AccountRecord& a : accounts)
    if (a.Type == AccountType::Egold) return true;
  return false;
}

std::string RatesUrl(const std::string& egoldPlainBase, const std::string& displayCurrency) {
  return egoldPlainBase + kEgoldMetalDataPath + "?LATEST=1&CUR=" + displayCurrency;
}

std::array<MetalDetailsRow, kMetalCount> MetalDetails(const AccountRecord& account,
                                                      const std::optional<MetalAmounts>& rates,
                                                      const FormatSettings& numberFormat) {
  const MetalAmounts balances = MetalBalances(account);
  std::array<MetalDetailsRow, kMetalCount> rows;
  for (int m = 0; m < kMetalCount; ++m) {
    rows[m].weight = FloatToStr(balances[m], numberFormat);
    rows[m].grams = FloatToStr(balances[m] * kGramsPerTroyOunce, numberFormat);
    if (rates) rows[m].value = CurrToStr(MetalValue(balances[m], (*rates)[m]), numberFormat);
  }
  return rows;
}

std::string DetailsCaption(const AccountRecord& account, const FormatSettings& regional) {
  std::string caption = "Details of " + AccountLabel(account);
  if (account.Type != AccountType::Egold)
    caption +=
        ":   " + CurrToStr(account.LRusd, regional) + " USD   " + CurrToStr(account.LReur, regional) + " EUR";
  return caption;
}

}  // namespace nummora
