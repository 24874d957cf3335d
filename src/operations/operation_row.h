#pragma once
// One row of the last-operations list as plain data: the transaction (batch) number as its
// caption, up to six cells (date, counterpart, amount, memo, merchant, source) and its kind.
#include <optional>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "operations/payment_record.h"

namespace nummora {

// What a row stands for; its picture tells it.
enum class OperationKind {
  Spent,     // a payment the user sent
  Received,  // a payment an e-gold account received, fetched from the server
  Other,     // any other record of a payment dialog (the receiving side of an own transfer)
};

struct OperationRow {
  std::string caption;             // the transaction (batch) number, as given
  std::vector<std::string> cells;  // 1 date, 2 counterpart, 3 amount, 4 memo, 5 merchant, 6 source
  OperationKind kind = OperationKind::Other;

  // Cell n (1 to 6), or an empty text when the row does not have it.
  std::string Cell(std::size_t n) const { return n >= 1 && n <= cells.size() ? cells[n - 1] : std::string(); }
};

// The caption read as an integer; nothing when it is not one.
std::optional<int64_t> OperationNumber(const std::string& caption);

// Whether row `a` is listed before row `b`: the higher transaction number first; a caption that
// is not a number comes after every numbered row, and such rows keep their text order.
bool OperationListedBefore(const std::string& a, const std::string& b);

// The date of a payment record: month "/" day "/" four-digit year " " hour ":" minute, without
// leading zeros (3/7/2006 9:5).
std::string OperationDateText(TDateTime when);

// The row a payment dialog's record becomes, stamped with `now`.
OperationRow PaymentRecordRow(const PaymentRecord& record, TDateTime now);

// The particulars of an e-mail notice about a row: batch (the caption, when the row has a
// cell), recipient (cell 2), amount (3), memo (4), merchant (5), sending account (6); type 0.
PaymentNotice NoticeOfRow(const OperationRow& row);

}  // namespace nummora
