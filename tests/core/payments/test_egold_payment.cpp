#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/format_settings.h"
#include "net/form_encoding.h"
#include "payments/egold_payment.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

AccountRecord Source(const std::string& phrase = "pass phrase") {
  AccountRecord a;
  a.ID = "1001001";
  a.Password = phrase;
  return a;
}

// The names of the fields a web server finds in a form body (split at "&", name before "=").
std::vector<std::string> FieldNames(const std::string& body) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = body.find('&', start);
    const std::string item = body.substr(start, end - start);
    names.push_back(item.substr(0, item.find('=')));
    if (end == std::string::npos) return names;
    start = end + 1;
  }
}

const std::vector<std::string> kConfirmNames = {"AccountID", "PassPhrase", "Payee_Account", "Amount",
                                                "PAY_IN",    "WORTH_OF",   "Memo",          "PAYMENT_ID"};

TEST(EgoldPaymentFields, PlainValuesGiveTheUsualBody) {
  EgoldPayment p{"1001002", "1.5", 9999, "Silver", "rent may", "inv 7"};
  EXPECT_EQ(EncodeFormBody(EgoldVerifyFields(Source(), p)),
            "AccountID=1001001&PassPhrase=pass%20phrase&Payee_Account=1001002&Amount=1.5&PAY_IN=9999"
            "&WORTH_OF=Silver");
  EXPECT_EQ(EncodeFormBody(EgoldConfirmFields(Source(), p)),
            "AccountID=1001001&PassPhrase=pass%20phrase&Payee_Account=1001002&Amount=1.5&PAY_IN=9999"
            "&WORTH_OF=Silver&Memo=rent%20may&PAYMENT_ID=inv%207");
}

// Text from a payment link or the user never adds or changes a field, whatever it holds.
class EgoldFieldInjection : public ::testing::TestWithParam<std::string> {};

TEST_P(EgoldFieldInjection, EveryValueStaysOneField) {
  const std::string text = GetParam();
  const EgoldPayment p{"1001002" + text, "5" + text, 1, "Gold" + text, text, text};
  EXPECT_EQ(FieldNames(EncodeFormBody(EgoldConfirmFields(Source("phrase" + text), p))), kConfirmNames);
}

INSTANTIATE_TEST_SUITE_P(Texts, EgoldFieldInjection,
                         ::testing::Values("x&Amount=999", "a+b", "\r\nAmount=999", "&&", "%26"));

struct PreviewRow {
  const char* name;
  std::string page;
  std::string error;
  std::string payee;
  bool firstTime;
};

class EgoldPreviewPages : public ::testing::TestWithParam<PreviewRow> {};

TEST_P(EgoldPreviewPages, Read) {
  const EgoldPreview p = ReadEgoldPreview(GetParam().page, "1001001");
  EXPECT_EQ(p.error, GetParam().error);
  EXPECT_EQ(p.payeeName, GetParam().payee);
  EXPECT_EQ(p.firstTime, GetParam().firstTime);
}

const std::string kName = "<input type=hidden name=PAYEE_NAME value=\"Bob Metals\">";

INSTANTIATE_TEST_SUITE_P(
    Pages, EgoldPreviewPages,
    ::testing::Values(
        PreviewRow{"KnownPayee", "<p>Pay</p>" + kName, "", "Bob Metals", false},
        PreviewRow{"FirstTime", std::string("<b>") + kFirstTimeNotice + "</b>" + kName, "", "Bob Metals",
                   true},
        PreviewRow{"ErrorPage", "<input type=hidden name=ERROR value=\"Invalid Amount\">" + kName,
                   "Invalid Amount", "", false},
        PreviewRow{"LoginFailure", "Could not login to account.",
                   "Could not login to account 1001001. Either Automation Access not enabled, IP "
                   "Attribute does not match, or PassPhrase is incorrect.",
                   "", false},
        // A payee may name their account with the login-failure sentence.
        PreviewRow{"PayeeNamedLikeTheLoginFailure",
                   "<p>Pay to Could not login to account. (1001002)</p>"
                   "<input type=hidden name=PAYEE_NAME value=\"Could not login to account.\">",
                   "", "Could not login to account.", false},
        PreviewRow{"NameBeyond16BitPositions", std::string(70000, ' ') + kName,
                   "The answer of the e-gold server could not be read.", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReceiptRow {
  const char* name;
  std::string page;
  PaymentResult result;
  std::string message;
  std::string batch;
  double ounces;
};

class EgoldReceiptPages : public ::testing::TestWithParam<ReceiptRow> {};

TEST_P(EgoldReceiptPages, Read) {
  const PaymentOutcome out = ReadEgoldReceipt(GetParam().page, "1001001", NumberFormat());
  EXPECT_EQ(out.result, GetParam().result);
  EXPECT_EQ(out.message, GetParam().message);
  EXPECT_EQ(out.batch, GetParam().batch);
  EXPECT_DOUBLE_EQ(out.ounces, GetParam().ounces);
  EXPECT_EQ(out.payeeName, out.result == PaymentResult::Paid ? "Bob Metals" : "");
}

const std::string kReceipt = "<input type=hidden name=PAYMENT_BATCH_NUM value=\"5000123\">" + kName +
                             "<input type=hidden name=PAYMENT_AMOUNT value=\"10\">"
                             "<input type=hidden name=ACTUAL_PAYMENT_OUNCES value=\"0.015625\">";

INSTANTIATE_TEST_SUITE_P(
    Pages, EgoldReceiptPages,
    ::testing::Values(
        ReceiptRow{"Receipt", kReceipt, PaymentResult::Paid, "", "5000123", 0.015625},
        ReceiptRow{"OuncesUnreadable", "<input type=hidden name=PAYMENT_BATCH_NUM value=\"7\">" + kName,
                   PaymentResult::Paid, "", "7", 0},
        ReceiptRow{"ErrorPage", "<input type=hidden name=ERROR value=\"Insufficient funds\">",
                   PaymentResult::Refused, "Insufficient funds", "", 0},
        // A batch number is a completed payment whatever else the page says.
        ReceiptRow{"MerchantEchoesTheLoginFailure",
                   "<p>Batch 5000123: Could not login to account.</p>" + kReceipt +
                       "<input type=hidden name=PAYMENT_ID value=\"Could not login to account.\">",
                   PaymentResult::Paid, "", "5000123", 0.015625},
        ReceiptRow{"ErrorFieldBesideTheBatch",
                   "<input type=hidden name=ERROR value=\"Insufficient funds\">" + kReceipt,
                   PaymentResult::Paid, "", "5000123", 0.015625},
        ReceiptRow{"LoginFailurePage", "<p>Could not login to account. Either ...</p>",
                   PaymentResult::Refused,
                   "Could not login to account 1001001. Either Automation Access not enabled, IP "
                   "Attribute does not match, or PassPhrase is incorrect.",
                   "", 0},
        // Neither receipt nor error (a proxy's page, a cut answer): money may have moved.
        ReceiptRow{"NeitherReceiptNorError", "<html><body>Service busy</body></html>", PaymentResult::Unknown,
                   kPaymentUnknownText, "", 0},
        // A field past the reader's reach behind a batch number leaves that field unread, the
        // payment completed.
        ReceiptRow{"OuncesBeyond16BitPositions",
                   "<input type=hidden name=PAYMENT_BATCH_NUM value=\"7\">" + kName +
                       std::string(70000, ' ') +
                       "<input type=hidden name=ACTUAL_PAYMENT_OUNCES value=\"0.015625\">",
                   PaymentResult::Paid, "", "7", 0},
        ReceiptRow{"BatchBeyond16BitPositions", std::string(70000, ' ') + kReceipt, PaymentResult::Unknown,
                   kPaymentUnknownText, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nummora
