// Fuzz target for the reading of the recent-payments reply (the e-gold CSV history export): the
// first four bytes give the account's last known batch, the rest is the reply.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "operations/recent_payments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nummora;
  int32_t known = 0;
  if (size >= sizeof known) {
    std::memcpy(&known, data, sizeof known);
    data += sizeof known;
    size -= sizeof known;
  }
  const std::string reply(reinterpret_cast<const char*>(data), size);
  std::set<int64_t> listed;
  const auto rows = ReadRecentPayments(reply, known, [](int64_t n) { return n % 7 == 0; });
  for (const OperationRow& row : rows) {
    // Every row is new, above the known batch, not listed, and at most six cells long.
    const auto number = OperationNumber(row.caption);
    if (!number || *number <= known || *number % 7 == 0 || !listed.insert(*number).second) __builtin_trap();
    if (row.cells.empty() || row.cells.size() > 5 || row.kind != OperationKind::Received) __builtin_trap();
    (void)NoticeOfRow(row);
  }
  return 0;
}
