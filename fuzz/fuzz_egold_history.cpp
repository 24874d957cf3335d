// Fuzz target for the reader of the e-gold history export: line and field splitting, the cells
// of every row, the totals by kind and the batch of the last line, read both at once and in
// slices (which must agree), the judging of the reply (an export is never an error page) and the
// saved-file text. It must never throw, crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/comma_rule.h"
#include "common/format_settings.h"
#include "history/egold_history.h"
#include "history/history_request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string reply(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());

  const EgoldHistory whole = ReadEgoldHistory(reply, numberFormat);
  EgoldHistoryReader reader(reply, numberFormat);
  HistoryTable sliced;
  while (!reader.Done()) reader.ReadSome(3, sliced);
  if (sliced.RowCount() != whole.rows.RowCount() ||
      reader.Summary().totals.received != whole.totals.received ||
      reader.Summary().amountsLeftOut != whole.amountsLeftOut ||
      reader.Summary().lastBatch != whole.lastBatch)
    std::abort();
  for (std::size_t row = 0; row < whole.rows.RowCount(); ++row)
    if (whole.rows.Row(row) != sliced.Row(row)) std::abort();
  // The reader finds the lines from the back; the forward split must agree on the rows, and
  // the first row shown must be the last non-empty line.
  const std::vector<std::string_view> lines = SplitHistoryLines(reply);
  std::size_t expected = 0;
  std::string_view newest;
  for (std::size_t i = 1; i < lines.size(); ++i)
    if (!lines[i].empty()) {
      ++expected;
      newest = lines[i];
    }
  if (whole.rows.RowCount() != expected) std::abort();
  if (expected > 0 && whole.rows.Cell(0, kCellDate) != UnquoteField(ItemAt(SplitHistoryFields(newest), 0)))
    std::abort();
  (void)HistoryTotalTexts(whole.totals, numberFormat);
  // An export is data: whatever its rows hold, it never reads as an error page.
  if (IsEgoldHistoryCsv(reply) && !HistoryReplyMessage(AccountType::Egold, true, reply, "1001001").empty())
    std::abort();
  (void)HistoryFileText({reply, reply});
  return 0;
}
