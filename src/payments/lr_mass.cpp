#include "payments/lr_mass.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/errors.h"
#include "common/tag_cursor.h"
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

// One answer of a mass reply: an Error element or an item (AccountName, Receipt) element.
struct Answer {
  bool error = false;
  std::string text;
};

// Matches the answers of a reply to the sent lines. The reply holds one item or Error element
// per sent line, in order, with anything between them (white space, enclosing elements). An
// Error names no account, so it answers the next line; an item answers the line whose account
// it names in `key` (AccountToRetrieve, Payee), the first such line from the next one on. The
// lines it passes over, and a line whose answer names an account no later line sent, stay
// unanswered, so a reply that skips, adds or reorders elements never shows a line as paid by
// another line's receipt. An element whose end lies beyond the 16-bit reach of the tag
// routines ends the walk: the later lines stay unanswered too.
std::vector<std::optional<Answer>> MatchAnswers(const std::vector<const MassLine*>& sent,
                                                const std::string& reply, std::string_view item,
                                                std::string_view key) {
  std::vector<std::optional<Answer>> answers(sent.size());
  // The lines of each account, in order, with how many of them lie behind the walk already:
  // finding the line an answer names costs no more than the lines passed over.
  std::unordered_map<std::string, std::pair<std::vector<std::size_t>, std::size_t>> linesOf;
  for (std::size_t i = 0; i < sent.size(); ++i)
    linesOf[LRAccountKey(sent[i]->transfer.payee)].first.push_back(i);
  TagCursor cursor(reply);
  std::size_t next = 0;
  try {
    while (next < sent.size()) {
      const std::string_view name = cursor.Seek({item, "Error"});
      if (name.empty()) break;
      std::string text = cursor.Take(name);
      if (name == "Error") {
        answers[next++] = Answer{true, std::move(text)};
        continue;
      }
      std::size_t line = sent.size();
      const auto found = linesOf.find(LRAccountKey(LRReplyText(LRExactElementText(text, key))));
      if (found != linesOf.end()) {
        auto& [indexes, passed] = found->second;
        while (passed < indexes.size() && indexes[passed] < next) ++passed;
        if (passed < indexes.size()) line = indexes[passed];
      }
      if (line == sent.size()) {
        ++next;  // an answer that names no account still to be answered: the next line's is lost
        continue;
      }
      answers[line] = Answer{false, std::move(text)};
      next = line + 1;
    }
  } catch (const ERangeError&) {
  }
  return answers;
}

// The rows of a reply: lines that were not sent keep their own row; a sent line answered by
// an Error shows its Text; `fill` turns a sent line's item (empty when the line has none)
// into its row, reading the item before it changes the row or the table, so that an item it
// cannot read (ERangeError) leaves the line as one without an answer.
template <typename Fill>
MassTable WalkReply(const std::vector<MassLine>& lines, const std::string& reply, std::string_view item,
                    std::string_view key, Fill fill) {
  std::vector<const MassLine*> sent;
  for (const MassLine& line : lines)
    if (line.Sendable()) sent.push_back(&line);
  const std::vector<std::optional<Answer>> answers = MatchAnswers(sent, reply, item, key);
  MassTable table;
  std::size_t index = 0;
  for (const MassLine& line : lines) {
    MassRow row = LineRow(line);
    if (line.Sendable()) {
      const std::optional<Answer>& answer = answers[index++];
      try {
        if (answer && answer->error)
          row.memo = LRReplyText(LRExactElementText(answer->text, "Text"));
        else
          fill(line, answer ? answer->text : std::string(), row, table);
      } catch (const ERangeError&) {
        row = LineRow(line);
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
  return WalkReply(lines, reply, "AccountName", "AccountToRetrieve",
                   [](const MassLine& line, std::string item, MassRow& row, MassTable& table) {
                     if (item.empty()) {
                       row.memo = "No answer for this account";
                       return;
                     }
                     const std::string name = LRReplyText(ExtractTag(item, "Name", false));
                     row.state = MassRowState::NameFound;
                     row.caption = name + " (" + line.account + ")";
                     row.amount = line.transfer.amount;
                     row.memo = line.transfer.memo;
                     ++table.count;
                     AddToTotal(table, line.amount);
                   });
}

MassTable ReadMassReceipt(const std::vector<MassLine>& lines, const std::string& reply,
                          const FormatSettings& numberFormat) {
  return WalkReply(lines, reply, "Receipt", "Payee",
                   [&numberFormat](const MassLine& line, std::string item, MassRow& row, MassTable& table) {
                     if (item.empty()) {
                       row.memo = kPaymentUnknownText;
                       row.outcomeUnknown = true;
                       ++table.unknown;
                       return;
                     }
                     Currency amount = StrToCurrDef(ExtractTag(item, "Amount", false), numberFormat, 0);
                     if (amount < 0) amount = amount == INT64_MIN ? 0 : -amount;
                     const std::string payeeName = LRReplyText(ExtractTag(item, "PayeeName", false));
                     std::string memo = LRReplyText(ExtractTag(item, "Memo", false));
                     std::string receiptId = ExtractTag(item, "ReceiptId", false);
                     row.state = MassRowState::Paid;
                     row.caption = payeeName + " (" + line.account + ")";
                     row.amount = CurrToStr(amount, numberFormat);
                     row.memo = std::move(memo);
                     row.transferId = std::move(receiptId);
                     ++table.count;
                     AddToTotal(table, amount);
                   });
}

std::string MassSummary(const MassTable& table, bool euro) {
  return "Transactions count: " + std::to_string(table.count) +
         "    Total amount: " + CurrToStr(table.total) + " " + LRCurrencyCaption(euro);
}

}  // namespace nummora
