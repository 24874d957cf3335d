#include "market/rates.h"

#include <cmath>

#include "common/ascii_text.h"
#include "common/comma_rule.h"
#include "common/number_text.h"
#include "net/egold.h"

namespace nummora {

namespace {

constexpr std::size_t kRateItems = 5;    // a name item and the four prices
constexpr double kArrowThreshold = 0.1;  // rates below this (0 at start) show no arrow

}  // namespace

RatesState ReadRates(const std::string& ratesText, const RatesState& previous,
                     const FormatSettings& numberFormat, bool* read) {
  const std::vector<std::string> items = SplitCommaItems(ratesText);
  if (read) *read = items.size() >= kRateItems;
  if (items.size() < kRateItems) return previous;
  RatesState next = previous;
  for (int m = 0; m < kMetalCount; ++m) {
    next.cells[m] = TrimControls(items[m + 1]);
    const double rate = StrToFloatDef(next.cells[m], numberFormat, 0);
    const double current = previous.rates[m];
    if (rate == current || current < kArrowThreshold)
      next.pictures[m] = RatePicture::None;
    else
      next.pictures[m] = rate > current ? RatePicture::Rising : RatePicture::Falling;
    next.rates[m] = rate;
  }
  return next;
}

bool HasEgoldAccount(const std::vector<TAccount>& accounts) {
  for (const TAccount& a : accounts)
    if (a.Type == kAccountTypeEgold) return true;
  return false;
}

std::string RatesUrl(const std::string& egoldPlainBase, const std::string& displayCurrency) {
  return egoldPlainBase + kEgoldMetalDataPath + "?LATEST=1&CUR=" + displayCurrency;
}

std::array<MetalDetailsRow, kMetalCount> MetalDetails(const TAccount& account, const MetalAmounts& rates,
                                                      const FormatSettings& numberFormat) {
  const MetalAmounts balances = MetalBalances(account);
  std::array<MetalDetailsRow, kMetalCount> rows;
  for (int m = 0; m < kMetalCount; ++m) {
    rows[m].weight = FloatToStr(balances[m], numberFormat);
    rows[m].grams = FloatToStr(balances[m] * kGramsPerTroyOunce, numberFormat);
    rows[m].value = CurrToStr(MetalValue(balances[m], rates[m]), numberFormat);
  }
  return rows;
}

std::string DetailsCaption(const TAccount& account, const FormatSettings& regional) {
  std::string caption = "Details of " + AccountLabel(account);
  if (account.Type != kAccountTypeEgold)
    caption +=
        ":   " + CurrToStr(account.LRusd, regional) + " USD   " + CurrToStr(account.LReur, regional) + " EUR";
  return caption;
}

}  // namespace nummora
