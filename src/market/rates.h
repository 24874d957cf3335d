#pragma once
// Metal rates: reading the rates answer of the e-gold price page (with the rise and fall
// pictures of the "Rate" cells), the value of an e-gold account in the display currency, and
// the texts of the details pane under the accounts list. Pure functions.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "profile/model.h"

namespace nummora {

inline constexpr double kGramsPerTroyOunce = 31.103;

// Captions of the four rows of the details list, in metal order.
inline constexpr std::array<const char*, kMetalCount> kMetalCaptions = {"Gold", "Silver", "Platinum",
                                                                        "Palladium"};

// The picture of a "Rate" cell: its index in the image list, or none.
enum class RatePicture : int { None = -1, Falling = 0, Rising = 1 };

// What the last reading left: the four current rates (price of one troy ounce in `currency`),
// the texts of the "Rate" cells and their pictures. All 0, empty and none at start.
struct RatesState {
  MetalAmounts rates{};
  std::array<std::string, kMetalCount> cells{};
  std::array<RatePicture, kMetalCount> pictures{RatePicture::None, RatePicture::None, RatePicture::None,
                                                RatePicture::None};
  // The currency the prices are in ("USD", "EUR"); empty while no answer was read.
  std::string currency;
};

// A rates text as it is kept (RatesText): the answer to a request for `currency`, tagged with
// that currency in front ("[CUR=EUR]" + the answer without its leading line breaks). The tag
// is part of the first item, which no reader uses, so the prices read the same with or without
// it, also by a reader that does not know the tag.
std::string TaggedRatesText(const std::string& currency, const std::string& answer);
// The currency a kept rates text is tagged with; nothing for a text without a tag (kept by an
// earlier version).
std::optional<std::string> RatesTextCurrency(const std::string& ratesText);

// Reads a rates text into a new state. The text (after its currency tag) is split into items by
// the comma rule; with at least five items, items 2 to 5 are the gold, silver, platinum and
// palladium prices (trimmed of blanks and control characters for the cell, read with the number
// format, 0 when not a number), in the tagged currency, or in `untaggedCurrency` for a text
// without a tag. A metal's picture is none when its rate is unchanged, the previous rate was below
// 0.1 or was a price in another currency, else rising or falling. With fewer than five items the
// previous state is kept whole. `read` (optional) tells which of the two happened.
RatesState ReadRates(const std::string& ratesText, const RatesState& previous,
                     const FormatSettings& numberFormat, bool* read = nullptr,
                     const std::string& untaggedCurrency = std::string());

// The rates that values in `currency` may be computed with: the state's rates when they are
// prices in that currency (or no answer has been read: all 0), nothing when they are prices in
// another currency.
std::optional<MetalAmounts> RatesIn(const RatesState& state, const std::string& currency);
// The "Rate" cells and pictures to show beside values in `currency`: the state's, or empty
// cells without pictures when its prices are in another currency.
RatesState ShownRates(const RatesState& state, const std::string& currency);

// Whether asking for rates makes sense: some entry of the table (deleted ones included) is an
// e-gold account.
bool HasEgoldAccount(const std::vector<AccountRecord>& accounts);

// The address of the rates page: the plain-HTTP e-gold base +
// "/unsecure/metaldata.asp?LATEST=1&CUR=" + the display currency.
std::string RatesUrl(const std::string& egoldPlainBase, const std::string& displayCurrency);

// The three computed cells of one metal row of the details list.
struct MetalDetailsRow {
  std::string weight;  // balance in ounces, general form
  std::string grams;   // balance times 31.103, general form
  std::string value;   // balance times rate, shortest fixed-point form
};

// The details rows of an e-gold account, in metal order ("Rate" cells come from RatesState).
// Without rates (those known are in another currency) the value cells are empty.
std::array<MetalDetailsRow, kMetalCount> MetalDetails(const AccountRecord& account,
                                                      const std::optional<MetalAmounts>& rates,
                                                      const FormatSettings& numberFormat);

// The caption of the details label: "Details of " + the account label, and for a Liberty
// Reserve account ":   " + dollars + " USD   " + euros + " EUR" after it, the amounts in the
// shortest form with the user's regional decimal separator.
std::string DetailsCaption(const AccountRecord& account, const FormatSettings& regional);

// Whether the details list is shown for the account (e-gold) or hidden (Liberty Reserve).
inline bool ShowsMetalDetails(const AccountRecord& account) {
  return account.Type == AccountType::Egold;
}

}  // namespace nummora
