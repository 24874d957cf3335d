#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payments/payment_link.h"

using namespace nummora;

namespace {

using Parts = std::vector<std::string>;

TEST(PaymentLink, LibertyReserveRecipientAndAmount) {
  const PaymentLinkFields f = ParsePaymentLink("nmr://payto=U1234567&amount=10/");
  EXPECT_TRUE(f.hasParts);
  EXPECT_EQ(f.payto, "U1234567");
  EXPECT_TRUE(f.paytoIsLibertyReserve);
  EXPECT_EQ(f.amount, "10") << "the final slash is dropped";
  EXPECT_EQ(f.memo, "");
  EXPECT_EQ(f.merchant, "");
}

TEST(PaymentLink, EgoldRecipientAndUndecodedMemo) {
  const PaymentLinkFields f = ParsePaymentLink("nmr://payto=1234567&memo=Hello%20World");
  EXPECT_EQ(f.payto, "1234567");
  EXPECT_FALSE(f.paytoIsLibertyReserve);
  EXPECT_EQ(f.memo, "Hello%20World");
  EXPECT_EQ(f.amount, "");
  EXPECT_EQ(f.merchant, "");
}

struct PaytoCase {
  std::string payto;
  bool libertyReserve;
};

class PaytoTarget : public ::testing::TestWithParam<PaytoCase> {};

TEST_P(PaytoTarget, GoesToTheMatchingRecipientField) {
  const PaymentLinkFields f = ParsePaymentLink("nmr://payto=" + GetParam().payto);
  EXPECT_EQ(f.payto, GetParam().payto);
  EXPECT_EQ(f.paytoIsLibertyReserve, GetParam().libertyReserve);
}

INSTANTIATE_TEST_SUITE_P(Cases, PaytoTarget,
                         ::testing::Values(PaytoCase{"U1234567", true}, PaytoCase{"X99", true},
                                           PaytoCase{"U0000000", false}, PaytoCase{"u1234567", false},
                                           PaytoCase{"U123456789", false}, PaytoCase{"104", false}));

TEST(PaymentLink, KeysIgnoreCaseValuesStayAsTheyAre) {
  const PaymentLinkFields f = ParsePaymentLink("nmr://PAYTO=U1234567&Amount= 5 &MeMo=A&b=c");
  EXPECT_EQ(f.payto, "U1234567");
  EXPECT_TRUE(f.paytoIsLibertyReserve);
  EXPECT_EQ(f.amount, " 5 ") << "no trimming";
  EXPECT_EQ(f.memo, "A");
}

TEST(PaymentLink, ShortLinksHaveNoParts) {
  EXPECT_FALSE(ParsePaymentLink("").hasParts);
  EXPECT_FALSE(ParsePaymentLink("nmr://ab").hasParts);  // 8 characters
  const PaymentLinkFields nine = ParsePaymentLink("nmr://a=b");
  EXPECT_TRUE(nine.hasParts);
  EXPECT_EQ(SplitPaymentLink("nmr://a=b"), Parts{"a=b"});
  EXPECT_EQ(nine.payto, "");
  // Only separators: no part at all, so the dialog stays untouched.
  EXPECT_FALSE(ParsePaymentLink("nmr://&&&\r\n").hasParts);
}

TEST(PaymentLink, PrefixIsDroppedWhateverItSays) {
  EXPECT_EQ(SplitPaymentLink("NMR:\\\\payto=1"), Parts{"payto=1"});
  EXPECT_EQ(SplitPaymentLink("xxxxxxmemo=m"), Parts{"memo=m"});
}

TEST(PaymentLink, QuotedRunKeepsAmpersandsAndQuotes) {
  const PaymentLinkFields f = ParsePaymentLink("nmr://payto=1&memo='a&b'&amount=2");
  EXPECT_EQ(f.memo, "'a&b'");
  EXPECT_EQ(f.amount, "2");
  EXPECT_EQ(f.payto, "1");
}

struct SplitCase {
  std::string link;
  Parts parts;
};

class SplitLink : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLink, Parts) {
  EXPECT_EQ(SplitPaymentLink(GetParam().link), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitLink,
    ::testing::Values(SplitCase{"nmr://a=1&&b=2", {"a=1", "b=2"}},  // empty part left out
                      SplitCase{"nmr://a=1\r\nb=2\nc=3\rd=4", {"a=1", "b=2", "c=3", "d=4"}},
                      SplitCase{"nmr://\r\n\r\na=1", {"a=1"}},  // breaks before a part
                      SplitCase{"nmr://m=\"x&y\r\nz\"&n=1", {"m=\"x&y\r\nz\"", "n=1"}},  // double quotes
                      SplitCase{"nmr://m=\"it's\"&n=1", {"m=\"it's\"", "n=1"}},          // other quote inside
                      SplitCase{"nmr://m='open&n=1", {"m='open&n=1"}},                   // never closed
                      SplitCase{"nmr://a=1//", {"a=1/"}},                                // one slash dropped
                      SplitCase{"nmr://a b=1 & c", {"a b=1 ", " c"}},                    // blanks kept
                      SplitCase{std::string("nmr://a=1\0&b=2", 14), {"a=1"}},            // NUL ends the text
                      SplitCase{"nmr://=x&noequals", {"=x", "noequals"}}));

TEST(PaymentLink, FirstMatchingPartWinsAndValueRunsToTheEnd) {
  const Parts parts{"memo=first", "memo=second", "amount=1=2", "payto", "=v", "merchant="};
  EXPECT_EQ(PaymentLinkValue(parts, "memo"), "first");
  EXPECT_EQ(PaymentLinkValue(parts, "amount"), "1=2");
  EXPECT_EQ(PaymentLinkValue(parts, "payto"), "") << "a part without '=' matches no key";
  EXPECT_EQ(PaymentLinkValue(parts, "merchant"), "");
  EXPECT_EQ(PaymentLinkValue(parts, ""), "v");
  EXPECT_EQ(PaymentLinkValue(parts, "memo "), "");
}

TEST(PaymentLink, OnlyThe261stCharacterAndBeforeCount) {
  // nmr:// (6) + 255 kept characters = 261; everything later is lost.
  std::string memo = "memo=" + std::string(250, 'm');  // 255 characters
  const std::string link = "nmr://" + memo + "&amount=5";
  ASSERT_EQ(link.size(), 270u);
  const PaymentLinkFields f = ParsePaymentLink(link);
  EXPECT_EQ(f.memo, std::string(250, 'm'));
  EXPECT_EQ(f.amount, "");
  // A shorter memo leaves room for the amount within the kept characters.
  const PaymentLinkFields g =
      ParsePaymentLink("nmr://" + std::string("memo=") + std::string(240, 'm') + "&amount=5");
  EXPECT_EQ(g.amount, "5");
}

TEST(PaymentLink, SlashCutIsAppliedAfterTheLengthCut) {
  // The 255th kept character is a slash: it is dropped; a slash beyond it is lost anyway.
  const std::string link = "nmr://a=" + std::string(252, 'x') + "/b/";
  const Parts parts = SplitPaymentLink(link);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0], "a=" + std::string(252, 'x'));
}

}  // namespace
