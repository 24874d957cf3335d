#pragma once
// The details pane under the accounts list: the label `lMetals` ("Details of" + the account) and
// the list `Metals` with the four metal rows of an e-gold account (weight, grams, rate with its
// rise or fall picture, value). For a Liberty Reserve account the list is hidden and the label
// carries the dollar and euro balances.
#include <QWidget>
#include <optional>
#include <string>

#include "common/format_settings.h"
#include "market/rates.h"
#include "profile/model.h"

class QLabel;
class QTreeWidget;

namespace nummora {

class MetalsPane : public QWidget {
  Q_OBJECT
 public:
  // Columns of the metals list.
  enum Column { kMetalColumn = 0, kWeightColumn, kGramsColumn, kRateColumn, kAmountColumn };
  // The picture index of a "Rate" cell is kept under this role (-1 none, 0 falling, 1 rising).
  static constexpr int kPictureRole = Qt::UserRole + 1;

  explicit MetalsPane(QWidget* parent = nullptr);

  // The fifth column's title: "Amount in " + the display currency.
  void SetDisplayCurrency(const std::string& displayCurrency);
  // Writes the "Rate" cells and their pictures as the last reading left them.
  void ShowRates(const RatesState& rates);
  // Shows the account of the selected row: its label, and its metals (e-gold) or its dollar and
  // euro balances (Liberty Reserve). `regional` gives the decimal separator of the latter.
  // Without rates (the known ones are prices in another currency) the value cells stay empty.
  void ShowAccount(const AccountRecord& account, const std::optional<MetalAmounts>& rates,
                   const FormatSettings& numberFormat, const FormatSettings& regional);

  QLabel* Label() const { return lMetals_; }
  QTreeWidget* List() const { return metals_; }

 private:
  // The list is exactly as tall as its caption and four rows, plus the horizontal scroll bar
  // while it shows, so that the bar never covers the last row.
  void KeepFourRowsInView();

  QLabel* lMetals_;
  QTreeWidget* metals_;
};

// The rise and fall pictures of the "Rate" cells, drawn at run time.
QIcon RatePictureIcon(RatePicture picture);

}  // namespace nummora
