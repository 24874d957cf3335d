#pragma once
// Liberty Reserve mass payment: reading the mass list (one transfer a line: account number,
// amount, memo, merchant reference), the transfers it sends, and the walk over the replies
// that fills the preview and receipt tables row by row.
//
// Blank lines are removed first, so lines and rows stay aligned. A line whose account number
// fails the account-number rule, or whose amount is not a number, keeps its row (with
// "Incorrect account number" or "Incorrect amount" as its memo) but is neither sent nor
// counted; the other lines go on.
#include <string>
#include <vector>

#include "common/currency.h"
#include "common/format_settings.h"
#include "payments/lr_payment.h"

namespace nummora {

inline constexpr const char* kIncorrectAccountText = "Incorrect account number";
inline constexpr const char* kIncorrectAmountText = "Incorrect amount";

// Splits a line at commas. Two commas in a row give an empty field, a trailing comma an empty
// last field; an apostrophe or double quote opens a run closed by the same character, inside
// which commas do not split (the quotes stay in the field).
std::vector<std::string> SplitMassFields(const std::string& line);

// The lines of a mass list that hold more than blanks (line breaks CR, LF or CR LF).
std::vector<std::string> MassListLines(const std::string& text);

enum class MassLineProblem { None, IncorrectAccount, IncorrectAmount };

struct MassLine {
  std::string account;  // field 1 as written, for showing
  LRTransfer transfer;  // what is sent (payee without leading blanks, fields 2-4 trimmed)
  Currency amount = 0;  // the amount, read with the number format
  MassLineProblem problem = MassLineProblem::None;
  bool Sendable() const { return problem == MassLineProblem::None; }
};

// Reads a mass list; a line with fewer than 2 fields takes the default amount, fewer than 3
// the default memo.
std::vector<MassLine> ReadMassList(const std::string& text, const std::string& defaultAmount,
                                   const std::string& defaultMemo, const FormatSettings& numberFormat);

// The payees and transfers of the sendable lines, in order.
std::vector<std::string> MassPayees(const std::vector<MassLine>& lines);
std::vector<LRTransfer> MassTransfers(const std::vector<MassLine>& lines);

enum class MassRowState { NotConfirmed = 0, NameFound = 1, Paid = 2 };

struct MassRow {
  std::string caption;  // the account, or the payee's name and the account in parentheses
  std::string amount;
  std::string memo;
  std::string transferId;  // "Trans. ID": the receipt id of a paid row
  MassRowState state = MassRowState::NotConfirmed;
  bool outcomeUnknown = false;  // paying: the reply neither paid nor refused this line
};

struct MassTable {
  std::vector<MassRow> rows;  // one per line, in order
  int count = 0;              // confirmed rows
  Currency total = 0;         // their amounts
  // Paying: rows whose reply was neither a receipt nor an error (they may have been paid).
  int unknown = 0;
};

// The preview table, from the account-name reply: one AccountName or Error element per
// sendable line, in order, white space or other text allowed between them. An Error answers
// the next line; an AccountName answers the line whose account it names in AccountToRetrieve.
// A line left without an answer reads "No answer for this account".
MassTable ReadMassPreview(const std::vector<MassLine>& lines, const std::string& reply);

// The receipt table, from the transfer reply: one Receipt or Error element per sendable line,
// matched as in the preview, a Receipt by the Payee of its Transfer. A line whose answer is
// missing or names another account is never shown as paid: it reads as unknown (it may have
// been paid) and is counted in `unknown`.
MassTable ReadMassReceipt(const std::vector<MassLine>& lines, const std::string& reply,
                          const FormatSettings& numberFormat);

// "Transactions count: " + count + "    Total amount: " + total + " " + currency caption.
std::string MassSummary(const MassTable& table, bool euro);

}  // namespace nummora
