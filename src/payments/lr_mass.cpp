#include "payments/lr_mass.h"

#include <cstdint>

#include "common/errors.h"
#include "common/text_routines.h"
#include "payments/account_number.h"

namespace nummora {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string TrimLeft(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

std::string Trim(const std::string& s) {
  std::string out = TrimLeft(s);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// A total beyond the range of an amount stays at its last value.
void AddToTotal(MassTable& table, Currency amount) {
  Currency sum = 0;
  if (!__builtin_add_overflow(table.total, amount, &sum)) table.total = sum;
}

MassRow LineRow(const MassLine& line) {
  MassRow row;
  row.caption = line.account;
  if (line.problem == MassLineProblem::IncorrectAccount) row.memo = kIncorrectAccountText;
  if (line.problem == MassLineProblem::IncorrectAmount) row.memo = kIncorrectAmountText;
  return row;
}

// The rows of a reply walk: lines that were not sent keep their own row; for each sent line
// the reply's next element is an Error (when the remaining text starts with it) or `item`,
// which `fill` turns into the row (an empty item: the reply had nothing for that line). A
// reply that cannot be read any further leaves every later sent line without an item.
template <typename Fill>
MassTable WalkReply(const std::vector<MassLine>& lines, const std::string& reply, const char* item,
                    Fill fill) {
  MassTable table;
  std::string rest = reply;
  bool unreadable = false;
  for (const MassLine& line : lines) {
    MassRow row = LineRow(line);
    if (line.Sendable()) {
      try {
        if (unreadable) throw ERangeError();
        if (rest.rfind("<Error>", 0) == 0) {
          std::string error = ExtractTag(rest, "Error", true);
          row.memo = LRReplyText(ExtractTag(error, "Text", false));
        } else {
          fill(line, ExtractTag(rest, item, true), row, table);
        }
      } catch (const ERangeError&) {
        unreadable = true;
        fill(line, std::string(), row, table);
      }
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

std::vector<std::string> SplitMassFields(const std::string& line) {
  std::vector<std::string> fields(1);
  char quote = 0;
  for (char c : line) {
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ',') {
      fields.emplace_back();
      continue;
    }
    fields.back() += c;
  }
  return fields;
}

std::vector<std::string> MassListLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    bool blank = true;
    for (char c : line) blank = blank && IsBlank(c);
    if (!blank) lines.push_back(std::move(line));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

std::vector<MassLine> ReadMassList(const std::string& text, const std::string& defaultAmount,
                                   const std::string& defaultMemo, const FormatSettings& numberFormat) {
  std::vector<MassLine> out;
  for (const std::string& text_line : MassListLines(text)) {
    const std::vector<std::string> f = SplitMassFields(text_line);
    MassLine line;
    line.account = f[0];
    line.transfer.payee = TrimLeft(f[0]);
    line.transfer.amount = f.size() >= 2 ? Trim(f[1]) : defaultAmount;
    line.transfer.memo = f.size() >= 3 ? Trim(f[2]) : defaultMemo;
    line.transfer.hasTransferId = f.size() > 3;
    if (line.transfer.hasTransferId) line.transfer.transferId = Trim(f[3]);
    if (!IsLibertyReserveAccount(f[0]))
      line.problem = MassLineProblem::IncorrectAccount;
    else if (!TryStrToCurr(line.transfer.amount, numberFormat, line.amount))
      line.problem = MassLineProblem::IncorrectAmount;
    out.push_back(std::move(line));
  }
  return out;
}

std::vector<std::string> MassPayees(const std::vector<MassLine>& lines) {
  std::vector<std::string> payees;
  for (const MassLine& line : lines)
    if (line.Sendable()) payees.push_back(line.transfer.payee);
  return payees;
}

std::vector<LRTransfer> MassTransfers(const std::vector<MassLine>& lines) {
  std::vector<LRTransfer> transfers;
  for (const MassLine& line : lines)
    if (line.Sendable()) transfers.push_back(line.transfer);
  return transfers;
}

MassTable ReadMassPreview(const std::vector<MassLine>& lines, const std::string& reply) {
  return WalkReply(lines, reply, "AccountName",
                   [](const MassLine& line, std::string item, MassRow& row, MassTable& table) {
                     if (item.empty()) {
                       row.memo = "No answer for this account";
                       return;
                     }
                     row.state = MassRowState::NameFound;
                     row.caption = LRReplyText(ExtractTag(item, "Name", false)) + " (" + line.account + ")";
                     row.amount = line.transfer.amount;
                     row.memo = line.transfer.memo;
                     ++table.count;
                     AddToTotal(table, line.amount);
                   });
}

MassTable ReadMassReceipt(const std::vector<MassLine>& lines, const std::string& reply,
                          const FormatSettings& numberFormat) {
  return WalkReply(lines, reply, "Receipt",
                   [&numberFormat](const MassLine& line, std::string item, MassRow& row, MassTable& table) {
                     if (item.empty()) {
                       row.memo = kPaymentUnknownText;
                       ++table.unknown;
                       return;
                     }
                     Currency amount = StrToCurrDef(ExtractTag(item, "Amount", false), numberFormat, 0);
                     if (amount < 0) amount = amount == INT64_MIN ? 0 : -amount;
                     row.state = MassRowState::Paid;
                     row.caption =
                         LRReplyText(ExtractTag(item, "PayeeName", false)) + " (" + line.account + ")";
                     row.amount = CurrToStr(amount, numberFormat);
                     row.memo = LRReplyText(ExtractTag(item, "Memo", false));
                     row.transferId = ExtractTag(item, "ReceiptId", false);
                     ++table.count;
                     AddToTotal(table, amount);
                   });
}

std::string MassSummary(const MassTable& table, bool euro) {
  return "Transactions count: " + std::to_string(table.count) +
         "    Total amount: " + CurrToStr(table.total) + " " + LRCurrencyCaption(euro);
}

}  // namespace nummora
