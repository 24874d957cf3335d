#pragma once
// The Liberty Reserve history: the request of one page ("/xml/history.aspx"), the reading of
// a page answer into rows of the history list (pure functions), and the paging rule of one
// history with its limits.
#include <cstddef>
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
std::string LRHistoryRequestPrefix(const AccountRecord& account, const HistoryFilters& filters,
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

// Reads one page; amounts with `numberFormat`. Never throws. The page number and count are
// read first, from the whole page, so the Pager may come before or after the receipts.
LRHistoryPage ReadLRHistoryPage(const std::string& page, const FormatSettings& numberFormat);

// What one history download may hold. A server decides how many pages there are and how long
// each is; without bounds one that keeps raising the page count would be asked for pages for
// ever, and every page listed is kept (for saving) and written to the events list.
// 4000 pages are 200,000 receipts at 50 a page; 128 MiB hold about as many receipts of some
// 600 bytes each. The events list gets the text of the pages up to 1 MiB for one history and,
// for each further page, a line saying it was left out.
inline constexpr int kLRHistoryMaxPages = 4000;
inline constexpr std::size_t kLRHistoryMaxBytes = std::size_t(128) << 20;
inline constexpr std::size_t kLRHistoryMaxLoggedBytes = std::size_t(1) << 20;

// The paging of one Liberty Reserve history: which page to ask for next and when to stop. The
// viewer and nummora-cli take every page through it.
class LRHistoryPaging {
 public:
  struct Step {
    bool list = false;    // the page's rows are to be listed (and the page kept)
    std::string message;  // not empty: the paging stops, with this message
  };
  // Takes a page as read from `pageBytes` bytes of reply. A page in error, or one that does not
  // come after the last one listed ("The server sent page N again; ..."), is not listed and
  // stops the paging with that message. A page listed while pages remain stops it when it
  // reaches a limit, with a message naming the limits. Otherwise see MorePages.
  Step Take(const LRHistoryPage& read, std::size_t pageBytes);
  // Whether the last page taken asks for a further page (and no stop was given).
  bool MorePages() const { return more_; }
  // The number of the page to ask for next, and the last one taken.
  int NextPage() const { return lastPage_ + 1; }
  int LastPage() const { return lastPage_; }
  int PageCount() const { return pageCount_; }
  int PagesTaken() const { return pagesTaken_; }
  // The text of a page for the events list: the page itself while the pages written there stay
  // within kLRHistoryMaxLoggedBytes, else a line saying that a page was left out and why.
  std::string EventText(const std::string& page);

 private:
  int pagesTaken_ = 0;
  int lastPage_ = 0;
  int pageCount_ = 0;
  std::size_t bytes_ = 0;
  std::size_t logged_ = 0;
  bool more_ = false;
};

}  // namespace nummora
