#pragma once
// The rows of the accounts list: per row the account's type icon and caption, its balance in the
// display currency and the time of its last update. A row shows what it was last told to show
// (ShowRow), as a list of items would: changes of the profile model reach the row only when the
// window says so.
#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "profile/model.h"

namespace nummora {

class AccountsTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum class Column { Account = 0, Balance = 1, Updated = 2 };
  static constexpr int kColumnCount = 3;
  // The table position of a row's account.
  static constexpr int kPositionRole = Qt::UserRole;
  // The value of an e-gold account in the display currency; nothing while the rates known are
  // prices in another currency (the row then shows no value).
  using EgoldValue = std::function<std::optional<Currency>(const AccountRecord&)>;

  AccountsTableModel(const ProfileModel& profile, const FormatSettings& regional, EgoldValue egoldValue,
                     QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // A cell's text may be set as on a list item; the row shows it until it is shown again.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // One row per row of the profile model, each shown from its account.
  void ShowAllRows();
  // Adds an empty row at the end (shown by a later ShowRow).
  void AppendRow();
  void RemoveRow(int row);
  // Shows the row's account again; nothing for a row outside the list.
  void ShowRow(int row);
  // The caption a row shows ("Name (ID)"); empty outside the list.
  QString Caption(int row) const;

 private:
  struct Row {
    std::optional<AccountType> type;  // none: not shown yet
    QString cells[kColumnCount];
    int position = -1;
  };
  const ProfileModel& profile_;
  FormatSettings regional_;
  EgoldValue egoldValue_;
  std::vector<Row> rows_;
};

}  // namespace nummora
