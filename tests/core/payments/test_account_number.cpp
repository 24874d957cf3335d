#include <gtest/gtest.h>

#include <string>

#include "payments/account_number.h"

using namespace nummora;

namespace {

struct AccountCase {
  std::string text;
  bool isAccount;
};

class LibertyReserveAccountRule : public ::testing::TestWithParam<AccountCase> {};

TEST_P(LibertyReserveAccountRule, Decides) {
  EXPECT_EQ(IsLibertyReserveAccount(GetParam().text), GetParam().isAccount) << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibertyReserveAccountRule,
    ::testing::Values(AccountCase{"U1234567", true}, AccountCase{"X12", true}, AccountCase{"U-12", true},
                      AccountCase{"U+5", true}, AccountCase{"U1", true},
                      AccountCase{"U 12", true},              // leading blanks of the number are skipped
                      AccountCase{"  U1234567\t\r\n", true},  // blanks and controls around it are removed
                      AccountCase{"\x01U7\x1f", true}, AccountCase{"U0000001", true},
                      AccountCase{"u1234567", false}, AccountCase{"U0", false}, AccountCase{"U", false},
                      AccountCase{"U0000000", false}, AccountCase{"U12345678", false},  // 9 characters
                      AccountCase{"E1234", false}, AccountCase{"", false}, AccountCase{"   ", false},
                      AccountCase{"U12a", false},  // not a whole number: counts as 0
                      AccountCase{"U12 ", true},   // the trailing blank is trimmed first
                      AccountCase{"U1 2", false}, AccountCase{"U-", false}, AccountCase{"U+", false},
                      AccountCase{"U-0", false}, AccountCase{"U1.5", false}, AccountCase{"U$1F", false},
                      AccountCase{"1234567", false},
                      AccountCase{"U\xa0"
                                  "1",
                                  false}));

}  // namespace
