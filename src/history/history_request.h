#pragma once
// The history download's e-gold request, the judging of a first reply, and the text a saved
// history holds. Pure functions.
#include <string>
#include <vector>

#include "common/account_type.h"
#include "history/lr_history.h"

namespace nummora {

// The query of "/acct/historycsv.asp": "?initial=1&oldsort=tstamp", the start and end dates
// (month, day, year without leading zeros), one item for each ticked kind in the order
// received, made, in-exchanges, out-exchanges, redemptions, bailments, fees, incentives, and the
// non-empty filters batchfilter, counterfilter, paymentidfilter. The filter texts are
// URL-encoded, so a typed "&" or blank stays part of its filter.
std::string EgoldHistoryQuery(const HistoryFilters& filters);

// The message the download dialog shows for a first reply, or an empty text when the reply goes
// to the viewer. An e-gold reply that reads as a history export (IsEgoldHistoryCsv) is never an
// error, whatever text its rows hold; the error texts of the Automation pages are looked for
// only in replies that are not an export. `type` is the account's Type (0 e-gold, 1 Liberty Reserve);
// `succeeded` is the worker's transport outcome.
std::string HistoryReplyMessage(AccountType type, bool succeeded, const std::string& reply,
                                const std::string& accountId);

// What "Save to file" writes: every reply received, in order (the e-gold export, or each
// Liberty Reserve page), split into lines and written with CR LF after every line.
std::string HistoryFileText(const std::vector<std::string>& replies);

}  // namespace nummora
