#pragma once
// The e-gold history export (the CSV answer of "/acct/historycsv.asp") read into the rows of the
// history list and the totals by kind. Pure functions.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "history/history_table.h"
#include "net/egold.h"  // IsEgoldHistoryCsv

namespace nummora {

inline constexpr const char* kHistoryTypeReceived = "Payment Received";
inline constexpr const char* kHistoryTypeMade = "Payment Made";

// The four totals of a history, each a fixed-point amount starting at zero.
struct HistoryTotals {
  Currency received = 0;
  Currency made = 0;
  Currency fee = 0;
  Currency incentive = 0;
};

struct EgoldHistory {
  // One row per data line, newest first: the last line of the answer is the first row.
  HistoryTable rows;
  HistoryTotals totals;
  // Rows whose amount belonged in a total but was not a number (or would have carried the
  // total out of range): they are in the list but in no total.
  std::size_t amountsLeftOut = 0;
  // The batch of the last line, when that line had at least three fields (0 when its batch is
  // not a whole number); nothing when the answer has no rows.
  std::optional<int32_t> lastBatch;
};

// Splits a text into lines at CR, LF or CR LF. A line break at the very end adds no empty line.
std::vector<std::string_view> SplitHistoryLines(std::string_view text);

// Splits one line into fields at commas: a double quote or an apostrophe opens a stretch that
// only the same character closes, inside which commas do not split; quotes stay in the field;
// two commas in a row give an empty field and a trailing comma an empty last field.
std::vector<std::string> SplitHistoryFields(std::string_view line);

// Reads an answer a slice at a time, so that a window can show the rows of a long history as
// they come without holding up its paints. The first line is a header; every following
// non-empty line is a transaction, and every one of them is read, however many there are. The
// lines are taken from the last to the first, so rows come out newest first and can simply be
// appended. The reader keeps a view of `reply`, which must outlive it.
class EgoldHistoryReader {
 public:
  EgoldHistoryReader(std::string_view reply, const FormatSettings& numberFormat);
  // Reads up to `maxRows` more rows into `rows` (appended); returns how many were read.
  std::size_t ReadSome(std::size_t maxRows, HistoryTable& rows);
  bool Done() const { return end_ <= bodyStart_; }
  // Totals, left-out amounts and the batch of the last line, for the rows read so far (the
  // batch is known with the first row).
  const EgoldHistory& Summary() const { return summary_; }

 private:
  // The lines are found from the back as they are read, so that starting costs nothing
  // however long the answer is.
  std::string_view text_;
  std::size_t bodyStart_ = 0;  // where the line after the header begins
  std::size_t end_ = 0;        // text_[bodyStart_, end_) is still to read
  FormatSettings numberFormat_;
  EgoldHistory summary_;  // its rows stay empty: they go to the caller's table
  bool lastLineSeen_ = false;
  std::vector<std::string_view> fields_;  // the fields of the line being read, reused
};

// Reads the whole answer at once (see EgoldHistoryReader).
EgoldHistory ReadEgoldHistory(std::string_view reply, const FormatSettings& numberFormat);

// The cells of one data line, as the list shows them (some cells are missing when the line has
// too few fields, so that later cells move one column to the left).
void AddEgoldHistoryRow(const std::vector<std::string>& fields, HistoryTable& rows);

// The status-bar texts of the totals above zero, in the order received, made, fee, incentive:
// "Total received: $" and the amount in its shortest form with the number format.
std::vector<std::string> HistoryTotalTexts(const HistoryTotals& totals, const FormatSettings& numberFormat);

}  // namespace nummora
