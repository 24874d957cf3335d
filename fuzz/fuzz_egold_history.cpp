// Fuzz target for the reader of the e-gold history export: line and field splitting, the cells
// of every row, the totals by kind and the batch of the last line, read both at once and in
// slices (which must agree), and the saved-file text. It must never throw, crash or hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
  (void)HistoryTotalTexts(whole.totals, numberFormat);
  (void)HistoryReplyMessage(0, true, reply, "1001001");
  (void)HistoryFileText({reply, reply});
  return 0;
}
