// The e-mail notice: when "Send" is offered, and the form it posts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/form_encoding.h"
#include "operations/email_notice.h"

using namespace nummora;

namespace {

struct SendCase {
  EmailParties parties;
  bool sendable;
};

class EmailSendRule : public ::testing::TestWithParam<SendCase> {};

TEST_P(EmailSendRule, Decides) {
  const EmailParties& p = GetParam().parties;
  EXPECT_EQ(EmailSendable(p), GetParam().sendable) << p.fromName << "|" << p.fromMail << "|" << p.toMail;
}

INSTANTIATE_TEST_SUITE_P(Cases, EmailSendRule,
                         ::testing::Values(SendCase{{"Al", "", "", "b@x.org"},
                                                    true},  // 7 characters, "@" second
                                           SendCase{{"Al", "", "", "@bx.org"}, false},  // "@" first
                                           SendCase{{"A", "", "", "b@x.org"}, false},   // one-character name
                                           SendCase{{"A", "a@x.or", "", "b@x.org"}, true},  // address of 6
                                           SendCase{{"", "a@x.o", "", "b@x.org"}, false},   // address of 5
                                           SendCase{{"Al", "", "", "b@x.or"}, false},       // 6 characters
                                           SendCase{{"Al", "", "", "bxx.org"}, false},      // no "@"
                                           SendCase{{"Al", "", "", "bb@@x.org"}, true}));

TEST(EmailForm, ElevenFieldsInOrderAndValuesCannotAddFields) {
  PaymentNotice n{AccountType::LibertyReserve,
                  "Savings (1001001)",
                  "Bob <1001002>",
                  "1 of Gold",
                  "x&Amount=9\r\nmail_to2=evil@x",
                  "m+1",
                  "41000001"};
  const EmailParties p{"Al", "al@x.org", "Bob", "bob@x.org"};
  const std::vector<std::string> lines = SplitFormLines(EmailFormText(n, p));
  ASSERT_EQ(lines.size(), 11u);
  const char* names[] = {"valtype=", "from=",      "to=",         "amount=",  "memo=",    "merchant=",
                         "batch=",   "mail_from=", "mail_from2=", "mail_to=", "mail_to2="};
  for (std::size_t i = 0; i < 11; ++i) EXPECT_TRUE(lines[i].starts_with(names[i])) << lines[i];
  EXPECT_EQ(lines[0], "valtype=1");
  EXPECT_EQ(lines[4], "memo=x&Amount=9  mail_to2=evil@x");
  EXPECT_EQ(lines[10], "mail_to2=bob@x.org");
  EXPECT_EQ(EncodeFormBody(lines).find("&Amount"), std::string::npos);
}

}  // namespace
