// Fuzz target for the mass payment: the reading of a mass list and the walk over the replies
// that fills the preview and receipt tables. The input is the list, a NUL byte, and the reply.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/format_settings.h"
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
  return 0;
}
