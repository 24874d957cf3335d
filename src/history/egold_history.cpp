#include "history/egold_history.h"

#include <algorithm>

#include "common/comma_rule.h"
#include "common/number_text.h"

namespace nummora {

namespace {

bool IsFeeType(std::string_view type) {
  return type == "Payment Receive Fee" || type == "Storage Fee";
}

bool IsIncentiveType(std::string_view type) {
  return type == "Incentive Payment";
}

std::string Quoted(const char* text) {
  return std::string("\"") + text + "\"";
}

// Adds `amount` to `total` unless that would leave the range of a fixed-point amount.
bool AddToTotal(Currency& total, Currency amount) {
  Currency sum = 0;
  if (__builtin_add_overflow(total, amount, &sum)) return false;
  total = sum;
  return true;
}

std::string_view FieldAt(const std::vector<std::string_view>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string_view();
}

void AddToTotals(const std::vector<std::string_view>& fields, const FormatSettings& numberFormat,
                 EgoldHistory& history) {
  const std::string_view type = UnquotedView(FieldAt(fields, 1));
  Currency* total = nullptr;
  if (IsFeeType(type)) {
    total = &history.totals.fee;
  } else if (IsIncentiveType(type)) {
    total = &history.totals.incentive;
  } else if (fields.size() >= 8) {
    static const std::string received = Quoted(kHistoryTypeReceived);
    static const std::string made = Quoted(kHistoryTypeMade);
    if (fields[1] == received) total = &history.totals.received;
    if (fields[1] == made) total = &history.totals.made;
  }
  if (!total) return;
  Currency amount = 0;
  if (!TryStrToCurr(std::string(FieldAt(fields, 7)), numberFormat, amount) || !AddToTotal(*total, amount))
    ++history.amountsLeftOut;
}

// The cells of one data line (see AddEgoldHistoryRow), from views of its fields.
void AddRow(const std::vector<std::string_view>& f, HistoryTable& rows) {
  const std::size_t n = f.size();
  auto field = [&f](std::size_t i) { return FieldAt(f, i); };
  auto unquoted = [&f](std::size_t i) { return UnquotedView(FieldAt(f, i)); };
  const std::string_view type = unquoted(1);
  auto addAmount = [&] {
    if (n >= 8)
      rows.AddJoinedCell({field(7), " ", unquoted(8)});
    else
      rows.AddCell(std::string_view());
  };

  rows.BeginRow();
  rows.AddCell(unquoted(0));
  rows.AddCell(type);
  if (n >= 3) rows.AddCell(field(2));
  if (!field(5).empty() && n >= 7)
    rows.AddJoinedCell({unquoted(6), " (", field(5), ")"});
  else
    rows.AddCell(std::string_view());
  addAmount();
  if (n >= 4) rows.AddCell(field(3));
  if (IsFeeType(type) || IsIncentiveType(type)) {
    rows.AddCell(std::string_view());
    if (n >= 8) addAmount();
    if (n >= 10) rows.AddCell(unquoted(10));
    return;
  }
  if (n >= 11) rows.AddCell(unquoted(10));
  rows.AddCell(n >= 12 ? unquoted(11) : std::string_view());
  if (n >= 7) rows.AddCell(unquoted(6));
  if (n >= 6) rows.AddCell(field(5));
}

}  // namespace

std::vector<std::string_view> SplitHistoryLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    lines.push_back(text.substr(start, end - start));
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitHistoryFields(std::string_view line) {
  // Lines hold no line breaks, so the shared comma rule splits exactly at the commas.
  return SplitCommaItems(line);
}

void AddEgoldHistoryRow(const std::vector<std::string>& fields, HistoryTable& rows) {
  AddRow(std::vector<std::string_view>(fields.begin(), fields.end()), rows);
}

EgoldHistoryReader::EgoldHistoryReader(std::string_view reply, const FormatSettings& numberFormat)
    : text_(reply), end_(reply.size()), numberFormat_(numberFormat) {
  // The header is the first line, up to the first CR, LF or CR LF.
  const std::size_t headerEnd = std::min(text_.find_first_of("\r\n"), text_.size());
  bodyStart_ = headerEnd;
  if (bodyStart_ < text_.size()) ++bodyStart_;
  if (headerEnd < text_.size() && text_[headerEnd] == '\r' && bodyStart_ < text_.size() &&
      text_[bodyStart_] == '\n')
    ++bodyStart_;
}

std::size_t EgoldHistoryReader::ReadSome(std::size_t maxRows, HistoryTable& rows) {
  std::size_t read = 0;
  while (end_ > bodyStart_ && read < maxRows) {
    // The last line still to read: the characters after the last line break before end_.
    // Lines of no characters are blank lines, no transactions, and are passed over.
    // (A plain loop: find_last_of with a set of two characters costs several times as much.)
    std::size_t start = end_;
    while (start > bodyStart_ && text_[start - 1] != '\r' && text_[start - 1] != '\n') --start;
    const std::string_view line = text_.substr(start, end_ - start);
    end_ = start > bodyStart_ ? start - 1 : bodyStart_;
    if (line.empty()) continue;
    // Lines hold no line breaks, so the comma rule splits exactly at the commas.
    SplitCommaItemViews(line, fields_);
    AddRow(fields_, rows);
    AddToTotals(fields_, numberFormat_, summary_);
    if (!lastLineSeen_) {
      // The last line of the answer, read first, names the newest batch.
      lastLineSeen_ = true;
      if (fields_.size() >= 3) summary_.lastBatch = StrToIntDef(std::string(fields_[2]), 0);
    }
    ++read;
  }
  return read;
}

EgoldHistory ReadEgoldHistory(std::string_view reply, const FormatSettings& numberFormat) {
  EgoldHistoryReader reader(reply, numberFormat);
  EgoldHistory history;
  history.rows.Reserve(reply.size() / 64, reply.size());
  reader.ReadSome(reply.size(), history.rows);
  HistoryTable rows = std::move(history.rows);
  history = reader.Summary();
  history.rows = std::move(rows);
  return history;
}

std::vector<std::string> HistoryTotalTexts(const HistoryTotals& totals, const FormatSettings& numberFormat) {
  std::vector<std::string> texts;
  auto add = [&](const char* caption, Currency total) {
    if (total > 0) texts.push_back(std::string(caption) + CurrToStr(total, numberFormat));
  };
  add("Total received: $", totals.received);
  add("Total made: $", totals.made);
  add("Total fee: $", totals.fee);
  add("Total incentive: $", totals.incentive);
  return texts;
}

}  // namespace nummora
