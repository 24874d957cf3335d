#include "operations/recent_payments.h"

#include <set>

#include "common/comma_rule.h"
#include "common/number_text.h"
#include "net/egold.h"

namespace nummora {

namespace {

// The lines of a reply, split at CR, LF or CR LF.
std::vector<std::string_view> ReplyLines(std::string_view reply) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < reply.size()) {
    const std::size_t end = reply.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(reply.substr(start));
      break;
    }
    lines.push_back(reply.substr(start, end - start));
    start = end + ((reply[end] == '\r' && end + 1 < reply.size() && reply[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

// A received payment's row: the date, then the counterpart, the amount, the memo and the
// payment id as far as the line has them; a missing cell shifts the following ones left.
OperationRow ReceivedRow(const std::vector<std::string>& fields) {
  OperationRow row;
  row.caption = ItemAt(fields, 2);
  row.kind = OperationKind::Received;
  row.cells.push_back(UnquoteField(ItemAt(fields, 0)));
  if (fields.size() >= 7) row.cells.push_back(UnquoteField(fields[6]) + " (" + fields[5] + ")");
  if (fields.size() >= 8) row.cells.push_back(fields[7] + " " + UnquoteField(ItemAt(fields, 8)));
  if (fields.size() >= 11) row.cells.push_back(UnquoteField(fields[10]));
  if (fields.size() >= 12) row.cells.push_back(UnquoteField(fields[11]));
  return row;
}

}  // namespace

std::string RecentPaymentsQuery(TDateTime batchDate, TDateTime today) {
  DateTimeFields start = DecodeDateTime(batchDate);
  if (start.year < 1996) start = DecodeDateTime(today - 1);
  const DateTimeFields end = DecodeDateTime(today);
  auto n = [](int value) { return std::to_string(value); };
  return "?initial=1&oldsort=batch_num&desc=1&startmonth=" + n(start.month) + "&startday=" + n(start.day) +
         "&startyear=" + n(start.year) + "&endmonth=" + n(end.month) + "&endday=" + n(end.day) +
         "&endyear=" + n(end.year) + "&paymentsreceived=1";
}

int32_t CsvLineNumber(const std::vector<std::string>& fields) {
  int32_t number = 0;
  if (fields.size() < 3 || !TryStrToInt(fields[2], number)) return 0;
  return number;
}

std::vector<OperationRow> ReadRecentPayments(std::string_view reply, int32_t knownBatch,
                                             const std::function<bool(int64_t)>& listed) {
  std::vector<OperationRow> rows;
  // Only an export holds rows: an error page of the server (a login failure, an Automation
  // error) lists nothing, however its lines split at commas.
  if (reply == kNoRecordsFound || !IsEgoldHistoryCsv(reply)) return rows;
  const std::vector<std::string_view> lines = ReplyLines(reply);
  std::set<int64_t> taken;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = SplitCommaItems(lines[i]);
    const int32_t number = CsvLineNumber(fields);
    // The reply is ordered newest first: from here on the history is already known.
    if (number > 0 && number <= knownBatch) break;
    if (number <= 0 || number <= knownBatch || taken.count(number) || (listed && listed(number))) continue;
    taken.insert(number);
    rows.push_back(ReceivedRow(fields));
  }
  return rows;
}

}  // namespace nummora
