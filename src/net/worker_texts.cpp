#include "net/worker_texts.h"

#include "net/egold.h"
#include "net/liberty_reserve.h"
#include "profile/model.h"

namespace nummora {

std::string SockEventHeader(TDateTime now, const FormatSettings& regional, const std::string& accountId) {
  return TimeToStr(now, regional) + ": <" + accountId + ">";
}

std::string SockEventBody(const std::string& logText, uint32_t byteCount) {
  return MaskLRToken(MaskPassPhrase(logText)) + " - " + std::to_string(byteCount) + " bytes";
}

std::string JoinFormLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) {
    joined += line;
    joined += "\r\n";
  }
  return joined;
}

uint8_t AnswerStatus(AccountType accountType, const std::string& response) {
  if (accountType == AccountType::Egold)
    return IsEgoldLoginFailureAnswer(response) ? kStatusRefused : kStatusAccepted;
  if (accountType == AccountType::LibertyReserve)
    return response.find("<Error>") != std::string::npos ? kStatusRefused : kStatusAccepted;
  return kStatusAccepted;
}

std::string EventLine(TDateTime now, const FormatSettings& regional, const std::string& message) {
  return TimeToStr(now, regional) + ": " + message;
}

std::string BalanceServerBase(const ServerConfig& servers, AccountType accountType) {
  return accountType == AccountType::Egold ? servers.EgoldSecure : servers.LibertyReserve;
}

}  // namespace nummora
