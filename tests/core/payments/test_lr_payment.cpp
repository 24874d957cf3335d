#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "common/text_routines.h"
#include "net/liberty_reserve.h"
#include "net/worker_texts.h"
#include "payments/lr_payment.h"

namespace nummora {
namespace {

FormatSettings NumberFormat() {
  return MakeNumberFormat(UsEnglishFormatSettings());
}

AccountRecord Source() {
  AccountRecord a;
  a.Type = AccountType::LibertyReserve;
  a.ID = "U1000001";
  a.APIname = "daveapi";
  a.Password = "davesecret";
  return a;
}

const TDateTime kUtc = EncodeDateTime(2008, 3, 5, 14, 7, 9, 0);
const std::string kId = "1080503140709042";

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(LRTransferRequest, OneTransactionInItsElementOrder) {
  const LRTransfer t{"U1000002", "12.50", "rent", "inv-7", true, true};
  EXPECT_EQ(LRSingleTransferRequest(Source(), t, true, kId, kUtc),
            "<TransferRequest id=\"" + kId + "\">\r\n" + LRAuthBlock(Source(), kUtc) +
                "<Transfer><TransferId>inv-7</TransferId><TransferType>transfer</TransferType>"
                "<Payer>U1000001</Payer><Payee>U1000002</Payee><CurrencyId>LREUR</CurrencyId>"
                "<Amount>12.50</Amount><Memo>rent</Memo><Anonymous>True</Anonymous></Transfer>"
                "</TransferRequest>");
}

TEST(LRTransferRequest, MassTransfersCarryTransferIdOnlyWhenGiven) {
  const std::vector<LRTransfer> ts = {{"U1", "1", "a", "", false, false}, {"U2", "2", "b", "m", true, false}};
  EXPECT_EQ(LRMassTransferRequest(Source(), ts, false, kId, kUtc),
            "<TransferRequest id=\"" + kId + "\">\r\n" + LRAuthBlock(Source(), kUtc) +
                "<Transfer><TransferType>transfer</TransferType><Payer>U1000001</Payer><Payee>U1</Payee>"
                "<CurrencyId>LRUSD</CurrencyId><Amount>1</Amount><Memo>a</Memo></Transfer>"
                "<Transfer><TransferType>transfer</TransferType><Payer>U1000001</Payer><Payee>U2</Payee>"
                "<CurrencyId>LRUSD</CurrencyId><Amount>2</Amount><Memo>b</Memo><TransferId>m</TransferId>"
                "</Transfer></TransferRequest>");
}

// A memo from a payment link must not close its element and add a transfer.
class LRElementInjection : public ::testing::TestWithParam<std::string> {};

TEST_P(LRElementInjection, TypedTextStaysInsideItsElement) {
  const std::string text = GetParam();
  const LRTransfer t{"U1000002" + text, "1" + text, text, text, true, false};
  const std::string doc = LRSingleTransferRequest(Source(), t, false, kId, kUtc);
  EXPECT_EQ(Count(doc, "<Transfer>"), 1u);
  EXPECT_EQ(Count(doc, "<"), 26u) << doc;  // the elements of the request and nothing else
  EXPECT_NE(doc.find("<Memo>" + LRElementText(text) + "</Memo>"), std::string::npos);
  EXPECT_EQ(LRElementText(text).find_first_of("<>"), std::string::npos);
  const std::string names = LRAccountNameRequest(Source(), {text}, kId, kUtc);
  EXPECT_EQ(Count(names, "<"), 14u) << names;
}

INSTANTIATE_TEST_SUITE_P(Texts, LRElementInjection,
                         ::testing::Values("</Memo></Transfer><Transfer><Payee>U9</Payee><Amount>999</Amount>"
                                           "</Transfer><Transfer><Memo>",
                                           "a&lt;b", "<![CDATA[x]]>", "&#60;", "x > y"));

TEST(LRElementText, WritesCharacterReferencesAndRoundTrips) {
  EXPECT_EQ(LRElementText("a&b<c>d+e"), "a&#38;b&#60;c&#62;d+e");
  for (const std::string text : {"a&b<c>d+e", "&amp;", "&#60;", "plain", ""})
    EXPECT_EQ(LRReplyText(LRElementText(text)), text);
}

struct ReplyTextRow {
  std::string text, read;
};
class LRReplyTexts : public ::testing::TestWithParam<ReplyTextRow> {};
TEST_P(LRReplyTexts, Read) {
  EXPECT_EQ(LRReplyText(GetParam().text), GetParam().read);
}
INSTANTIATE_TEST_SUITE_P(Texts, LRReplyTexts,
                         ::testing::Values(ReplyTextRow{"a &amp; b &lt;c&gt; &quot;&apos;", "a & b <c> \"'"},
                                           ReplyTextRow{"&#38;&#x3c;&#X3E;&#233;", "&<>\xE9"},
                                           ReplyTextRow{"&#256; &#; &#x; &amp &unknown; &#3",
                                                        "&#256; &#; &#x; &amp &unknown; &#3"},
                                           ReplyTextRow{"&#27;]0;x&#7;&#x9B;&#127;&#10;",
                                                        "&#27;]0;x&#7;&#x9B;&#127;&#10;"}));

// Request documents carry the token: every log of them shows asterisks instead.
TEST(PaymentLogText, TokenAndPassPhraseNeverShow) {
  const std::string doc = LRAccountNameRequest(Source(), {"U1000002"}, kId, kUtc);
  const std::string token = LRToken(Source().Password, kUtc);
  ASSERT_NE(doc.find(token), std::string::npos);
  const std::string form = LRFormBody(doc);
  const std::string egold = "AccountID=1\r\nPassPhrase=a&b secret\r\nAmount=5";
  for (const std::string& text : {doc, form, egold}) {
    for (const std::string& logged : {PaymentLogText(text), SockEventBody(text, 0)}) {
      EXPECT_EQ(logged.find(token), std::string::npos) << logged;
      EXPECT_EQ(logged.find(UrlEncode(token)), std::string::npos) << logged;
      EXPECT_EQ(logged.find("secret"), std::string::npos) << logged;
      EXPECT_NE(logged.find("********"), std::string::npos) << logged;
    }
  }
  EXPECT_NE(PaymentLogText(egold).find("Amount=5"), std::string::npos);
}

struct TransferReplyRow {
  const char* name;
  std::string reply;
  PaymentResult result;
  std::string message, batch, payee, fee;
  std::optional<Currency> closing;
};

class LRTransferReplies : public ::testing::TestWithParam<TransferReplyRow> {};

TEST_P(LRTransferReplies, Read) {
  const TransferReplyRow& row = GetParam();
  const PaymentOutcome out = ReadLRTransferReply(row.reply, " U1000002", NumberFormat());
  EXPECT_EQ(out.result, row.result);
  EXPECT_EQ(out.message, row.message);
  EXPECT_EQ(out.batch, row.batch);
  EXPECT_EQ(out.payeeName, row.payee);
  EXPECT_EQ(out.fee, row.fee);
  EXPECT_EQ(out.closingBalance, row.closing);
}

const std::string kTransfer =
    "<Transfer><Payer>U1000001</Payer><Payee>U1000002</Payee><Memo>m</Memo></Transfer>";
const std::string kReceipt =
    "<Receipt><ReceiptId>77</ReceiptId><PayeeName>Erin &amp; Co</PayeeName><Amount>-12.50</Amount>"
    "<Fee>0.13</Fee><ClosingBalance>1487.37</ClosingBalance>" +
    kTransfer + "</Receipt>";
const std::string kError = "<Error><Code>401</Code><Text>Insufficient funds</Text></Error>";

INSTANTIATE_TEST_SUITE_P(
    Replies, LRTransferReplies,
    ::testing::Values(
        TransferReplyRow{"Receipt", kReceipt, PaymentResult::Paid, "", "77", "Erin & Co", "0.13", 14873700},
        TransferReplyRow{"ClosingBalanceUnreadable",
                         "<Receipt><ReceiptId>8</ReceiptId><ClosingBalance>1,0</ClosingBalance>" + kTransfer +
                             "</Receipt>",
                         PaymentResult::Paid, "", "8", "", "", std::nullopt},
        TransferReplyRow{"Error", kError, PaymentResult::Refused, "Error 401: Insufficient funds ()", "", "",
                         "", std::nullopt},
        TransferReplyRow{"NeitherReceiptNorError", "<html>Bad gateway</html>", PaymentResult::Unknown,
                         kPaymentUnknownText, "", "", "", std::nullopt},
        // The first answer decides: an Error after the receipt does not undo the payment.
        TransferReplyRow{"ErrorAfterTheReceipt", "<TransferResponse>\r\n  " + kReceipt + "\r\n  " + kError,
                         PaymentResult::Paid, "", "77", "Erin & Co", "0.13", 14873700},
        TransferReplyRow{"ErrorBeforeAReceipt", kError + kReceipt, PaymentResult::Refused,
                         "Error 401: Insufficient funds ()", "", "", "", std::nullopt},
        // A receipt that does not name the payee sent, or names another, is not this payment's.
        TransferReplyRow{"ReceiptForAnotherPayee",
                         std::string(kReceipt).replace(kReceipt.find("U1000002"), 8, "U1000003"),
                         PaymentResult::Unknown, kPaymentUnknownText, "", "", "", std::nullopt},
        TransferReplyRow{"ReceiptCutShort", kReceipt.substr(0, kReceipt.size() - 10), PaymentResult::Unknown,
                         kPaymentUnknownText, "", "", "", std::nullopt},
        TransferReplyRow{"ReceiptWithoutPayee",
                         "<Receipt><ReceiptId>8</ReceiptId><PayeeName>E</PayeeName></Receipt>",
                         PaymentResult::Unknown, kPaymentUnknownText, "", "", "", std::nullopt},
        // White space before the receipt is no limit; an element too long for the tag routines is.
        TransferReplyRow{"ReceiptAfterLongWhiteSpace", std::string(70000, '\n') + kReceipt,
                         PaymentResult::Paid, "", "77", "Erin & Co", "0.13", 14873700},
        TransferReplyRow{"ReceiptBeyond16BitPositions",
                         "<Receipt><Memo>" + std::string(70000, 'm') + "</Memo>" + kReceipt.substr(9),
                         PaymentResult::Unknown, kPaymentUnknownText, "", "", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LRAccountNameReply, NameOrError) {
  EXPECT_EQ(ReadLRAccountNameReply("<AccountName><Name>Erin &lt;Shop&gt;</Name></AccountName>").name,
            "Erin <Shop>");
  const LRNameReply error = ReadLRAccountNameReply(
      "<Error><Code>300</Code><Text>Account not found</Text>"
      "<Description>x</Description></Error>");
  EXPECT_EQ(error.error, "Error 300: Account not found (x)");
  EXPECT_EQ(error.name, "");
  EXPECT_NE(ReadLRAccountNameReply(std::string(70000, ' ') + "<Name>a</Name>").error, "");
}

}  // namespace
}  // namespace nummora
