#include "history/lr_history.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/currency.h"
#include "common/errors.h"
#include "common/number_text.h"
#include "common/tag_cursor.h"
#include "common/text_routines.h"
#include "net/liberty_reserve.h"

namespace nummora {

namespace {

std::string Element(const char* name, const std::string& text) {
  return std::string("<") + name + ">" + text + "</" + name + ">";
}

// The first element `name` of the whole page, wherever the server put the pager: before the
// receipts, after them, or past the 16-bit search of a long page.
int PagerNumber(const std::string& page, std::string_view name) {
  TagCursor cursor(page);
  if (cursor.Seek({name}).empty()) return 0;
  int32_t value = 0;
  if (!TryStrToInt(cursor.Peek(name), value) || value < 0 || value > 65535) return 0;
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

std::string LRHistoryRequestPrefix(const AccountRecord& account, const HistoryFilters& filters,
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
    // The page number and count come first, from the whole page.
    result.pageNumber = PagerNumber(page, "PageNumber");
    result.pageCount = PagerNumber(page, "PageCount");
    // Receipts are taken one after another, each time going on after the one taken, with a
    // cursor over the one page: the time grows with the length of the page, and every receipt
    // is searched from its own start, so a page of many receipts stays within the 16-bit
    // search. An empty receipt ends the walk, as the consuming walk did.
    TagCursor cursor(page);
    while (!cursor.Seek({"Receipt"}).empty()) {
      std::string receipt = cursor.Take("Receipt");
      if (receipt.empty()) break;
      AddReceiptRow(std::move(receipt), numberFormat, result.rows);
    }
  } catch (const NummoraError& error) {
    result = LRHistoryPage();
    result.error = std::string("The history page could not be read: ") + error.what();
  }
  return result;
}

LRHistoryPaging::Step LRHistoryPaging::Take(const LRHistoryPage& read, std::size_t pageBytes) {
  Step step;
  more_ = false;
  if (!read.error.empty()) {
    step.message = read.error;
    return step;
  }
  // A server that answers a page it has sent before would keep the paging going for ever and
  // list its rows twice.
  if (pagesTaken_ > 0 && read.pageNumber <= lastPage_) {
    step.message =
        "The server sent page " + std::to_string(read.pageNumber) + " again; no further page is asked for.";
    return step;
  }
  step.list = true;
  ++pagesTaken_;
  bytes_ += pageBytes;
  lastPage_ = read.pageNumber;
  pageCount_ = read.pageCount;
  if (!read.MorePages()) return step;
  if (pagesTaken_ >= kLRHistoryMaxPages || bytes_ >= kLRHistoryMaxBytes) {
    step.message = "The history was cut short after " + std::to_string(pagesTaken_) +
                   " pages: Nummora reads at most " + std::to_string(kLRHistoryMaxPages) + " pages or " +
                   std::to_string(kLRHistoryMaxBytes >> 20) + " MiB for one history, and the server has " +
                   std::to_string(read.pageCount) + " pages. Choose a shorter period.";
    return step;
  }
  more_ = true;
  return step;
}

std::string LRHistoryPaging::EventText(const std::string& page) {
  if (page.size() <= kLRHistoryMaxLoggedBytes - std::min(logged_, kLRHistoryMaxLoggedBytes)) {
    logged_ += page.size();
    return page;
  }
  logged_ = kLRHistoryMaxLoggedBytes;
  return "(a history page of " + std::to_string(page.size()) +
         " bytes, not written here: the events list takes " + std::to_string(kLRHistoryMaxLoggedBytes >> 20) +
         " MiB of the pages of one history)";
}

}  // namespace nummora
