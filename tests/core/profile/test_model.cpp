#include <gtest/gtest.h>

#include "profile/model.h"

namespace nummora {
namespace {

AccountRecord MakeAccount(const std::string& id, const std::string& name = "") {
  AccountRecord a;
  a.ID = id;
  a.Name = name;
  return a;
}

ProfileModel ThreeAccounts() {
  ProfileModel m;
  m.AppendAccount(MakeAccount("100", "first"));
  m.AppendAccount(MakeAccount("200", "second"));
  m.AppendAccount(MakeAccount("U300", "third"));
  return m;
}

TEST(ProfileModelTest, AppendSetsIndexAndAddsARow) {
  ProfileModel m = ThreeAccounts();
  ASSERT_EQ(m.AccountCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(m.Account(i).Index, i);
    EXPECT_EQ(m.AccountOfRow(i), i);
    EXPECT_EQ(m.RowOfAccount(i), i);
  }
}

TEST(ProfileModelTest, TableIsFullAt127AndNewAccountStopsAt126) {
  ProfileModel m;
  for (int i = 0; i < 126; ++i) {
    ASSERT_TRUE(m.CanCreateAccount()) << i;
    ASSERT_EQ(m.AppendAccount(MakeAccount(std::to_string(i + 1))), i);
  }
  EXPECT_FALSE(m.CanCreateAccount());
  // Deleted entries still count.
  m.DeleteAccount(0);
  EXPECT_FALSE(m.CanCreateAccount());
  EXPECT_EQ(m.AppendAccount(MakeAccount("127")), 126);
  EXPECT_EQ(m.Account(126).Index, 126);
  EXPECT_EQ(m.AppendAccount(MakeAccount("128")), -1);
  EXPECT_EQ(m.AccountCount(), 127);
  EXPECT_EQ(m.RowCount(), 126);
}

TEST(ProfileModelTest, DeletingKeepsTheEntryAndRemovesTheRow) {
  ProfileModel m = ThreeAccounts();
  m.SetSelectedRow(2);
  m.DeleteAccount(1);
  EXPECT_EQ(m.AccountCount(), 3);
  EXPECT_TRUE(m.Account(1).ID.empty());
  EXPECT_EQ(m.Account(1).Name, "second");
  EXPECT_EQ(m.RowOfAccount(1), -1);
  EXPECT_FALSE(m.IsLive(1));
  EXPECT_EQ(m.RowCount(), 2);
  EXPECT_EQ(m.AccountOfRow(1), 2);
  // The selection stays on its account, which moved up one row.
  EXPECT_EQ(m.SelectedRow(), 1);
  EXPECT_EQ(m.AccountOfRow(-1), 2);
  // Deleting the selected account leaves nothing selected.
  m.DeleteAccount(2);
  EXPECT_EQ(m.SelectedRow(), -1);
  EXPECT_EQ(m.AccountOfRow(-1), -1);
}

TEST(ProfileModelTest, FindAccountIsExactAndSeesDeletedEntries) {
  ProfileModel m = ThreeAccounts();
  EXPECT_EQ(m.FindAccount("U300"), 2);
  EXPECT_EQ(m.FindAccount("u300"), -1);  // case-sensitive
  EXPECT_EQ(m.FindAccount("30"), -1);    // no prefix match
  EXPECT_EQ(m.FindAccount(""), -1);
  m.DeleteAccount(1);
  EXPECT_EQ(m.FindAccount("200"), -1);
  EXPECT_FALSE(m.AccountExists("200"));
  EXPECT_EQ(m.FindAccount(""), 1);  // the first deleted entry
  EXPECT_TRUE(m.AccountExists("100"));
}

TEST(ProfileModelTest, AccountOfRowOutOfRangeAndWithoutSelection) {
  ProfileModel m = ThreeAccounts();
  EXPECT_EQ(m.AccountOfRow(-1), -1);
  EXPECT_EQ(m.AccountOfRow(3), -1);
  EXPECT_EQ(m.AccountOfRow(-2), -1);
  m.SetSelectedRow(7);
  EXPECT_EQ(m.SelectedRow(), -1);
  m.SetSelectedRow(0);
  EXPECT_EQ(m.AccountOfRow(-1), 0);
}

TEST(ProfileModelTest, MovingExchangesRowPositionsAndLeavesTheTable) {
  ProfileModel m = ThreeAccounts();
  m.SetSelectedRow(2);
  EXPECT_EQ(m.MoveRowUp(2), 1);
  EXPECT_EQ(m.MoveRowUp(1), 0);
  EXPECT_EQ(m.MoveRowUp(0), -1);
  EXPECT_EQ(m.Rows(), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(m.SelectedRow(), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Account(i).Index, i);
  EXPECT_EQ(m.Account(2).ID, "U300");
  EXPECT_EQ(m.RowOfAccount(2), 0);
  EXPECT_EQ(m.MoveRowDown(2), -1);
  EXPECT_EQ(m.MoveRowDown(0), 1);
  EXPECT_EQ(m.Rows(), (std::vector<int>{0, 2, 1}));
}

TEST(ProfileModelTest, InitialSelectionFollowsTheDefaultAccount) {
  ProfileModel none;
  EXPECT_EQ(none.InitialSelectionRow(0), -1);
  ProfileModel one;
  one.AppendAccount(MakeAccount("1"));
  EXPECT_EQ(one.InitialSelectionRow(5), 0);  // the only row, whatever the default
  ProfileModel m = ThreeAccounts();
  m.MoveRowUp(2);
  EXPECT_EQ(m.InitialSelectionRow(2), 1);
  EXPECT_EQ(m.InitialSelectionRow(9), -1);
  EXPECT_EQ(m.InitialSelectionRow(-1), -1);
  m.DeleteAccount(0);
  EXPECT_EQ(m.InitialSelectionRow(0), -1);
}

TEST(ProfileModelTest, ContactsStopAt128) {
  ProfileModel m;
  for (int i = 0; i < 128; ++i)
    ASSERT_TRUE(m.AddContact(ContactRecord{"n" + std::to_string(i), "", "", "", ""}));
  EXPECT_FALSE(m.CanAddContact());
  EXPECT_FALSE(m.AddContact(ContactRecord{"one more", "", "", "", ""}));
  EXPECT_EQ(m.Contacts().size(), 128u);
}

TEST(ProfileModelTest, LabelAndClear) {
  EXPECT_EQ(AccountLabel(MakeAccount("123", "Savings")), "Savings (123)");
  EXPECT_EQ(AccountLabel(MakeAccount("123")), "123");
  ProfileModel m = ThreeAccounts();
  m.Account(0).Password = "secret phrase";
  m.RatesText = "x";
  m.RatesTime = 5;
  m.DisplayCurrency = "EUR";
  m.Clear();
  EXPECT_EQ(m.AccountCount(), 0);
  EXPECT_EQ(m.RowCount(), 0);
  EXPECT_TRUE(m.RatesText.empty());
  EXPECT_EQ(m.RatesTime, 0);
  EXPECT_EQ(m.DisplayCurrency, "EUR");
}

}  // namespace
}  // namespace nummora
