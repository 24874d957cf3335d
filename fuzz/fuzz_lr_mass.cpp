// Fuzz target for the mass payment: the reading of a mass list and the walk over the replies
// that fills the preview and receipt tables. The input is the list, a NUL byte, and the reply.
// Besides the fuzzed reply, each sent line gets an answer of its own (a receipt or an error,
// chosen by the reply's bytes) in a reply with white space between the answers: every row
// must then show exactly its own line's answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/format_settings.h"
#include "net/liberty_reserve.h"
#include "payments/lr_mass.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  const std::string input(reinterpret_cast<const char*>(data), size);
  static const FormatSettings numberFormat = MakeNumberFormat(UsEnglishFormatSettings());
  const std::size_t split = input.find('\0');
  const std::string list = input.substr(0, split);
  const std::string reply = split == std::string::npos ? std::string() : input.substr(split + 1);
  const std::vector<MassLine> lines = ReadMassList(list, "1", "memo", numberFormat);
  const MassTable preview = ReadMassPreview(lines, reply);
  const MassTable receipt = ReadMassReceipt(lines, reply, numberFormat);
  // One row per line, and only sent lines can be confirmed.
  if (preview.rows.size() != lines.size() || receipt.rows.size() != lines.size()) __builtin_trap();
  if (receipt.count + receipt.unknown > static_cast<int>(MassPayees(lines).size())) __builtin_trap();
  (void)MassSummary(receipt, false);

  std::string answers = "<TransferResponse>";
  std::vector<bool> refused(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].Sendable()) continue;
    refused[i] = !reply.empty() && (static_cast<unsigned char>(reply[i % reply.size()]) & 1) != 0;
    answers += "\r\n  ";
    if (refused[i])
      answers += "<Error><Code>401</Code><Text>no " + std::to_string(i) + "</Text></Error>";
    else
      answers += "<Receipt><ReceiptId>r" + std::to_string(i) +
                 "</ReceiptId><Amount>-1</Amount><Transfer><Payee>" + LRElementText(lines[i].transfer.payee) +
                 "</Payee></Transfer></Receipt>";
  }
  answers += "\r\n</TransferResponse>\r\n";
  const MassTable own = ReadMassReceipt(lines, answers, numberFormat);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].Sendable()) continue;
    const MassRow& row = own.rows[i];
    if (refused[i] && (row.state != MassRowState::NotConfirmed || row.memo != "no " + std::to_string(i)))
      __builtin_trap();
    if (!refused[i] && (row.state != MassRowState::Paid || row.transferId != "r" + std::to_string(i)))
      __builtin_trap();
  }
  if (own.unknown != 0) __builtin_trap();
  return 0;
}
