#pragma once
// The Liberty Reserve history: the request of one page ("/xml/history.aspx") and the reading of
// a page answer into rows of the history list. Pure functions.
#include <string>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "history/history_table.h"
#include "profile/model.h"

namespace nummora {

inline constexpr int kLRHistoryPageSize = 50;

// What the download dialog asks for.
struct HistoryFilters {
  TDateTime from = 0;  // local dates; only their date part counts
  TDateTime to = 0;
  // The eight kinds of e-gold transactions, in the order of the query items.
  bool received = true;
  bool made = true;
  bool inExchanges = false;
  bool outExchanges = false;
  bool redemptions = false;
  bool bailments = false;
  bool fees = false;
  bool incentives = false;
  std::string batch;      // "and match Transaction #"
  std::string recipient;  // "and match To\From Account #"
  std::string merchant;   // "and match Merchant #"
};

// The request text up to and including the last filter element: the opening HistoryRequest
// with `requestId`, the Auth block (token for `utc`), History, AccountId, From (00:00:00 of the
// start date) and Till (23:59:59 of the end date) in the Liberty Reserve date form, then the
// non-empty filters CorrespondingAccountId, TransferId and ReceiptId. Typed texts are written
// as element text (LRElementText), so they cannot open or close an element.
std::string LRHistoryRequestPrefix(const TAccount& account, const HistoryFilters& filters,
                                   const std::string& requestId, TDateTime utc);
// The whole request for page `page` (from 1): prefix, Pager with 50 a page, closing tags.
std::string LRHistoryPageRequest(const std::string& prefix, int page);

struct LRHistoryPage {
  // Not empty when the page is an error: "Unknown Error" for an empty page, "Error " + Code +
  // ": " + Text + " (" + Description + ")" for an Error answer, or the reason the page could
  // not be read. The page then lists nothing.
  std::string error;
  int pageNumber = 0;  // 0 when missing or not a number from 0 to 65535
  int pageCount = 0;
  HistoryTable rows;  // one row per Receipt, in page order
  // Whether a further page is to be asked for.
  bool MorePages() const { return error.empty() && pageNumber < pageCount; }
};

// Reads one page; amounts with `numberFormat`. Never throws.
LRHistoryPage ReadLRHistoryPage(const std::string& page, const FormatSettings& numberFormat);

}  // namespace nummora
