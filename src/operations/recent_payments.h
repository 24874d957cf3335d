#pragma once
// The fetch of recent e-gold payments received, which the last-operations list makes after a
// balance refresh found a changed e-gold balance: the query of the CSV history export and the
// reading of its reply into rows. Pure functions.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"
#include "operations/operation_row.h"

namespace nummora {

// The exact reply of the export when nothing matched.
inline constexpr const char* kNoRecordsFound = "No Records Found";

// The query of the fetch for an account whose history is known up to `batchDate`: payments
// received from that date (from yesterday when its year is before 1996, as when it was never
// set) to `today`, newest transaction first.
std::string RecentPaymentsQuery(TDateTime batchDate, TDateTime today);

// The transaction number of a CSV line's fields: field 2 read as an integer; 0 when the line
// has fewer than 3 fields or field 2 is not an integer.
int32_t CsvLineNumber(const std::vector<std::string>& fields);

// The rows a reply adds to the list, in reply order. The header line is skipped; lines are read
// until the first one whose number is above 0 and not above `knownBatch` (the newest
// transaction the account's history already knows). A line is taken when its number is above
// `knownBatch` and neither `listed` (the numbers the list already carries) nor an earlier line
// of the same reply has it. "No Records Found", and any reply that is no history export
// (IsEgoldHistoryCsv), give no rows.
std::vector<OperationRow> ReadRecentPayments(std::string_view reply, int32_t knownBatch,
                                             const std::function<bool(int64_t)>& listed);

}  // namespace nummora
