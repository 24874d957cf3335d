#include "profile/model.h"

#include <stdexcept>
#include <utility>

#include "common/account_label.h"
#include "common/secure_memory.h"
#include "profile/profile_text.h"

namespace nummora {

std::string AccountLabel(const AccountRecord& account) {
  return AccountLabel(account.Name, account.ID);
}

void ProfileModel::Clear() {
  for (AccountRecord& a : accounts_) SecureWipe(a.Password);
  accounts_.clear();
  rows_.clear();
  selected_row_ = -1;
  contacts_.clear();
  RatesText.clear();
  RatesTime = 0;
}

AccountRecord& ProfileModel::Account(int position) {
  if (!IsValidPosition(position))
    throw std::out_of_range("no account at table position " + std::to_string(position));
  return accounts_[static_cast<size_t>(position)];
}

const AccountRecord& ProfileModel::Account(int position) const {
  if (!IsValidPosition(position))
    throw std::out_of_range("no account at table position " + std::to_string(position));
  return accounts_[static_cast<size_t>(position)];
}

int ProfileModel::AppendAccount(AccountRecord account) {
  if (AccountCount() >= kMaxAccounts) return -1;
  const int position = AccountCount();
  account.Index = static_cast<int8_t>(position);
  accounts_.push_back(std::move(account));
  rows_.push_back(position);
  return position;
}

void ProfileModel::DeleteAccount(int position) {
  AccountRecord& entry = Account(position);
  entry.ID.clear();
  const int selected_position = AccountOfRow(-1);
  for (size_t r = rows_.size(); r-- > 0;) {
    if (rows_[r] == position) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(r));
  }
  // The selection follows its account; a removed row leaves nothing selected.
  if (selected_position == position || selected_position < 0) {
    selected_row_ = -1;
  } else {
    selected_row_ = RowOfAccount(selected_position);
  }
}

void ProfileModel::SetSelectedRow(int row) {
  selected_row_ = (row >= 0 && row < RowCount()) ? row : -1;
}

int ProfileModel::AccountOfRow(int row) const {
  if (row == -1) row = selected_row_;
  if (row < 0 || row >= RowCount()) return -1;
  return rows_[static_cast<size_t>(row)];
}

int ProfileModel::RowOfAccount(int position) const {
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r] == position) return static_cast<int>(r);
  }
  return -1;
}

bool ProfileModel::SwapRows(int row_a, int row_b) {
  if (row_a < 0 || row_a >= RowCount() || row_b < 0 || row_b >= RowCount()) return false;
  std::swap(rows_[static_cast<size_t>(row_a)], rows_[static_cast<size_t>(row_b)]);
  return true;
}

int ProfileModel::MoveRowUp(int row) {
  if (row <= 0 || !SwapRows(row, row - 1)) return -1;
  if (selected_row_ == row) selected_row_ = row - 1;
  return row - 1;
}

int ProfileModel::MoveRowDown(int row) {
  if (row < 0 || !SwapRows(row, row + 1)) return -1;
  if (selected_row_ == row) selected_row_ = row + 1;
  return row + 1;
}

int ProfileModel::InitialSelectionRow(int default_account) const {
  if (RowCount() == 1) return 0;
  if (RowCount() > 1) return RowOfAccount(default_account);
  return -1;
}

int ProfileModel::FindAccount(const std::string& id) const {
  for (size_t i = 0; i < accounts_.size(); ++i) {
    if (accounts_[i].ID == id) return static_cast<int>(i);
  }
  return -1;
}

bool ProfileModel::AddContact(ContactRecord contact) {
  if (!CanAddContact()) return false;
  contacts_.push_back(std::move(contact));
  return true;
}

bool ProfileModel::SetRatesText(std::string text) {
  if (HoldsTagCharacter(text)) {
    RatesText.clear();
    return false;
  }
  RatesText = std::move(text);
  return true;
}

void ProfileModel::WipeSecrets() {
  for (AccountRecord& a : accounts_) SecureWipe(a.Password);
  SecureWipe(Proxy.ProxyPasswd);
}

}  // namespace nummora
