// Fuzz target for the reader of Liberty Reserve history pages: error wording, the receipt walk,
// the cells of every receipt, the pager (before or after the receipts) and the paging's verdict
// on the page. It must never throw, crash or hang; a page it cannot search reports an error and
// lists nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/format_settings.h"
#include "history/history_request.h"
#include "history/lr_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string page(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());

  const LRHistoryPage read = ReadLRHistoryPage(page, numberFormat);
  if (!read.error.empty() && (read.rows.RowCount() != 0 || read.MorePages())) std::abort();
  if (read.pageNumber < 0 || read.pageNumber > 65535 || read.pageCount < 0 || read.pageCount > 65535)
    std::abort();
  for (std::size_t row = 0; row < read.rows.RowCount(); ++row)
    if (read.rows.CellCount(row) != kHistoryShownCells + 2) std::abort();
  (void)HistoryReplyMessage(AccountType::LibertyReserve, true, page, "U1000001");
  // The paging lists a page exactly when it is no error, and goes on only for a page listed.
  LRHistoryPaging paging;
  const LRHistoryPaging::Step step = paging.Take(read, page.size());
  if (step.list != read.error.empty() || (paging.MorePages() && !step.list)) std::abort();
  (void)paging.EventText(page);
  return 0;
}
