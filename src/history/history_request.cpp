#include "history/history_request.h"

#include "common/errors.h"
#include "common/text_routines.h"
#include "history/egold_history.h"
#include "net/egold.h"
#include "net/liberty_reserve.h"

namespace nummora {

namespace {

std::string DateItems(const char* prefix, TDateTime date) {
  const DateTimeFields f = DecodeDateTime(date);
  return std::string("&") + prefix + "month=" + std::to_string(f.month) + "&" + prefix +
         "day=" + std::to_string(f.day) + "&" + prefix + "year=" + std::to_string(f.year);
}

}  // namespace

std::string EgoldHistoryQuery(const HistoryFilters& filters) {
  std::string query = "?initial=1&oldsort=tstamp";
  query += DateItems("start", filters.from);
  query += DateItems("end", filters.to);
  const std::pair<bool, const char*> kinds[] = {
      {filters.received, "paymentsreceived"},
      {filters.made, "paymentsmade"},
      {filters.inExchanges, "inexchanges"},
      {filters.outExchanges, "outexchanges"},
      {filters.redemptions, "redemptions"},
      {filters.bailments, "bailments"},
      {filters.fees, "fees"},
      {filters.incentives, "incentives"},
  };
  for (const auto& [ticked, item] : kinds)
    if (ticked) query += std::string("&") + item + "=1";
  const std::pair<const std::string*, const char*> texts[] = {{&filters.batch, "batchfilter"},
                                                              {&filters.recipient, "counterfilter"},
                                                              {&filters.merchant, "paymentidfilter"}};
  for (const auto& [text, item] : texts)
    if (!text->empty()) query += std::string("&") + item + "=" + UrlEncode(*text);
  return query;
}

std::string HistoryReplyMessage(AccountType type, bool succeeded, const std::string& reply,
                                const std::string& accountId) {
  if (!succeeded) return "Connection problem";
  try {
    if (type == AccountType::Egold) {
      if (reply.empty() || reply == "No Records Found") return "No Records Found";
      // An export is data whatever its rows say: only a reply that is no export is read for
      // the error texts of the Automation pages.
      if (IsEgoldHistoryCsv(reply)) return std::string();
      return EgoldErrorText(reply, accountId);
    }
    if (IsLRErrorAnswer(reply)) return LRErrorMessage(reply);
  } catch (const ERangeError&) {
    // An error mark far into a long reply is no error page: the rows are listed.
  }
  return std::string();
}

std::string HistoryFileText(const std::vector<std::string>& replies) {
  std::string text;
  for (const std::string& reply : replies)
    for (std::string_view line : SplitHistoryLines(reply)) {
      text.append(line);
      text += "\r\n";
    }
  return text;
}

}  // namespace nummora
