#include "history/lr_history.h"

#include <cstdint>
#include <limits>

#include "common/currency.h"
#include "common/errors.h"
#include "common/number_text.h"
#include "common/text_routines.h"
#include "net/liberty_reserve.h"

namespace nummora {

namespace {

std::string Element(const char* name, const std::string& text) {
  return std::string("<") + name + ">" + text + "</" + name + ">";
}

int PagerNumber(std::string text, const char* name) {
  int32_t value = 0;
  if (!TryStrToInt(ExtractTag(text, name, false), value) || value < 0 || value > 65535) return 0;
  return value;
}

std::string ShownCurrency(const std::string& currency) {
  if (currency == kLRCurrencyEur) return "EUR";
  if (currency == kLRCurrencyUsd) return "USD";
  return currency;
}

std::string AbsoluteAmount(Currency amount) {
  if (amount == std::numeric_limits<Currency>::min()) return CurrToStr(amount).substr(1);
  return CurrToStr(amount < 0 ? -amount : amount);
}

void AddReceiptRow(std::string receipt, const FormatSettings& numberFormat, HistoryTable& rows) {
  const Currency amount = StrToCurrDef(ExtractTag(receipt, "Amount", false), numberFormat, 0);
  std::string transfer = ExtractTag(receipt, "Transfer", false);
  std::string name;
  std::string number;
  if (amount > 0) {
    name = ExtractTag(receipt, "PayerName", false);
    if (!name.empty())
      number = ExtractTag(transfer, "Payer", false);
    else
      name = "Private";
  } else {
    name = ExtractTag(receipt, "PayeeName", false);
    number = ExtractTag(transfer, "Payee", false);
  }
  rows.BeginRow();
  rows.AddCell(ExtractTag(receipt, "Date", false));
  rows.AddCell(amount > 0 ? "Payment Received" : amount < 0 ? "Payment Made" : "");
  rows.AddCell(ExtractTag(receipt, "ReceiptId", false));
  rows.AddCell(number.empty() ? name : name + " (" + number + ")");
  rows.AddCell(AbsoluteAmount(amount));
  rows.AddCell(ShownCurrency(ExtractTag(receipt, "CurrencyId", false)));
  rows.AddCell(ExtractTag(receipt, "Memo", false));
  rows.AddCell(ExtractTag(receipt, "Merchant", false));
  rows.AddCell(std::string_view());
  rows.AddCell(number);
}

}  // namespace

std::string LRHistoryRequestPrefix(const TAccount& account, const HistoryFilters& filters,
                                   const std::string& requestId, TDateTime utc) {
  const TDateTime from = DateOf(filters.from);
  const TDateTime till = DateOf(filters.to) + EncodeTime(23, 59, 59);
  std::string doc = "<HistoryRequest id=\"" + requestId + "\">";
  doc += LRAuthBlock(account, utc);
  doc += "<History>";
  doc += Element("AccountId", LRElementText(account.ID));
  doc += Element("From", LRDateForm(from));
  doc += Element("Till", LRDateForm(till));
  if (!filters.recipient.empty()) doc += Element("CorrespondingAccountId", LRElementText(filters.recipient));
  if (!filters.merchant.empty()) doc += Element("TransferId", LRElementText(filters.merchant));
  if (!filters.batch.empty()) doc += Element("ReceiptId", LRElementText(filters.batch));
  return doc;
}

std::string LRHistoryPageRequest(const std::string& prefix, int page) {
  return prefix + "<Pager><PageSize>" + std::to_string(kLRHistoryPageSize) + "</PageSize><PageNumber>" +
         std::to_string(page) + "</PageNumber></Pager></History></HistoryRequest>";
}

LRHistoryPage ReadLRHistoryPage(const std::string& page, const FormatSettings& numberFormat) {
  LRHistoryPage result;
  if (page.empty()) {
    result.error = "Unknown Error";
    return result;
  }
  try {
    if (IsLRErrorAnswer(page)) {
      result.error = LRErrorMessage(page);
      return result;
    }
    // Receipts are taken one after another, each time going on after the one taken. The pager
    // follows the receipts, so it is read from what is left: a page of many receipts never
    // puts it out of reach of the 16-bit search.
    std::string rest = page;
    for (;;) {
      std::string receipt = ExtractTag(rest, "Receipt", true);
      if (receipt.empty()) break;
      AddReceiptRow(std::move(receipt), numberFormat, result.rows);
    }
    const std::string pager = result.rows.RowCount() > 0 ? rest : page;
    result.pageNumber = PagerNumber(pager, "PageNumber");
    result.pageCount = PagerNumber(pager, "PageCount");
  } catch (const NummoraError& error) {
    result = LRHistoryPage();
    result.error = std::string("The history page could not be read: ") + error.what();
  }
  return result;
}

}  // namespace nummora
