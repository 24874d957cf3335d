#include "operations/operation_row.h"

#include "common/number_text.h"

namespace nummora {

std::optional<int64_t> OperationNumber(const std::string& caption) {
  int64_t number = 0;
  if (!TryStrToInt64(caption, number)) return std::nullopt;
  return number;
}

bool OperationListedBefore(const std::string& a, const std::string& b) {
  const std::optional<int64_t> na = OperationNumber(a);
  const std::optional<int64_t> nb = OperationNumber(b);
  if (na && nb) return *na > *nb;
  if (na || nb) return na.has_value();
  return a < b;
}

std::string OperationDateText(TDateTime when) {
  const DateTimeFields f = DecodeDateTime(when);
  return std::to_string(f.month) + "/" + std::to_string(f.day) + "/" + std::to_string(f.year) + " " +
         std::to_string(f.hour) + ":" + std::to_string(f.minute);
}

OperationRow PaymentRecordRow(const PaymentRecord& record, TDateTime now) {
  OperationRow row;
  row.caption = record.batch;
  row.kind = record.kind == "Spent" ? OperationKind::Spent : OperationKind::Other;
  row.cells = {OperationDateText(now),
               record.name + " (" + record.recipient + ")",
               record.amount + " of " + record.units,
               record.memo,
               record.merchant,
               record.source};
  return row;
}

PaymentNotice NoticeOfRow(const OperationRow& row) {
  PaymentNotice notice;
  if (!row.cells.empty()) notice.batch = row.caption;
  notice.recipient = row.Cell(2);
  notice.amount = row.Cell(3);
  notice.memo = row.Cell(4);
  notice.merchant = row.Cell(5);
  notice.sender = row.Cell(6);
  return notice;
}

}  // namespace nummora
