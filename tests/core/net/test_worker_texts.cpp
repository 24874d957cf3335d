// Events-list texts of the network workers, the status derived from an answer, and the server a
// balance refresh goes to.
#include <gtest/gtest.h>

#include "common/datetime.h"
#include "net/worker_texts.h"

namespace nummora {
namespace {

const FormatSettings kUs = UsEnglishFormatSettings();
const TDateTime kAfternoon = 45000 + (14 * 3600 + 5 * 60 + 9) / 86400.0;  // 2:05:09 PM

TEST(WorkerTexts, HeaderCarriesTimeAndAccount) {
  EXPECT_EQ(SockEventHeader(kAfternoon, kUs, "1234567"), "2:05:09 PM: <1234567>");
  EXPECT_EQ(SockEventHeader(kAfternoon, kUs, ""), "2:05:09 PM: <>");
}

TEST(WorkerTexts, BodyMasksPassPhraseOnEveryLine) {
  EXPECT_EQ(SockEventBody("https://h/acct/verify.asp", 0), "https://h/acct/verify.asp - 0 bytes");
  EXPECT_EQ(SockEventBody(JoinFormLines({"AccountID=1", "PassPhrase=a&b=c", "Memo=x"}), 4294967295u),
            "AccountID=1\r\nPassPhrase=********\r\nMemo=x\r\n - 4294967295 bytes");
  EXPECT_EQ(SockEventBody("AccountID=1&PassPhrase=top secret", 12),
            "AccountID=1&PassPhrase=******** - 12 bytes");
  EXPECT_EQ(SockEventBody(JoinFormLines({}), 0), " - 0 bytes");
}

struct StatusCase {
  int32_t type;
  const char* answer;
  uint8_t status;
};

class AnswerStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(AnswerStatusTest, FollowsTheAccountType) {
  EXPECT_EQ(AnswerStatus(static_cast<AccountType>(GetParam().type), GetParam().answer), GetParam().status)
      << GetParam().answer;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnswerStatusTest,
    ::testing::Values(StatusCase{0, "<p>Could not login to account.</p>", 3}, StatusCase{0, "<Error>", 0},
                      StatusCase{1, "Could not login to account", 0}, StatusCase{1, "<x><Error><Code>1", 3},
                      StatusCase{1, "<error>", 0}, StatusCase{0, "", 0}, StatusCase{1, "", 0},
                      StatusCase{5, "<Error> Could not login to account", 0},
                      // Someone else's words: a memo in a history export, a
                      // merchant reference echoed on a receipt.
                      StatusCase{0,
                                 "Date,Batch,Type,Sub,Acct,Name,Metal,Amt,Memo\r\n"
                                 "1/2/2026,41,Spend,0,1001002,Bob,1,1,Could not login "
                                 "to account.\r\n",
                                 0},
                      StatusCase{0,
                                 "<input type=hidden name=PAYMENT_BATCH_NUM value=\"41\">"
                                 "Could not login to account.",
                                 0}));

TEST(WorkerTexts, EventLineAndServerBase) {
  EXPECT_EQ(EventLine(kAfternoon, kUs, ""), "2:05:09 PM: ");
  EXPECT_EQ(EventLine(kAfternoon, kUs, "a\r\nb"), "2:05:09 PM: a\r\nb");
  ServerConfig servers;
  servers.EgoldSecure = "https://egold";
  servers.LibertyReserve = "https://lr";
  EXPECT_EQ(BalanceServerBase(servers, AccountType::Egold), "https://egold");
  EXPECT_EQ(BalanceServerBase(servers, AccountType::LibertyReserve), "https://lr");
  EXPECT_EQ(BalanceServerBase(servers, static_cast<AccountType>(7)), "https://lr");
}

}  // namespace
}  // namespace nummora
