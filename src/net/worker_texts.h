#pragma once
// Texts and small rules the network workers share: events-list headers and lines, the account
// status derived from an answer, and which server a balance refresh goes to. Pure functions.
#include <cstdint>
#include <string>
#include <vector>

#include "common/account_type.h"
#include "common/datetime.h"
#include "common/format_settings.h"
#include "net/server_config.h"

namespace nummora {

// Header of a framed events-list entry of a request worker: the time in the long time format,
// ": <", the account number and ">" (": <>" for a request made for no account).
std::string SockEventHeader(TDateTime now, const FormatSettings& regional, const std::string& accountId);

// Body of such an entry: the log text, " - ", the byte count in decimal and " bytes". Any
// pass phrase in the log text ("PassPhrase=" up to the end of its line) and any Liberty
// Reserve token (plain or URL-encoded) is shown as asterisks.
std::string SockEventBody(const std::string& logText, uint32_t byteCount);

// The form lines as logged: each line followed by CR LF.
std::string JoinFormLines(const std::vector<std::string>& lines);

// The account status after a request: 3 when an e-gold answer (type 0) reports a failed login
// (IsEgoldLoginFailureAnswer: not when the sentence is only a memo in a history export or text
// echoed on a page behind the login) or a Liberty Reserve answer (type 1) contains "<Error>",
// otherwise 0.
uint8_t AnswerStatus(AccountType accountType, const std::string& response);

// A single events-list line: the time in the long time format, ": " and the message.
std::string EventLine(TDateTime now, const FormatSettings& regional, const std::string& message);

// The HTTPS base a balance refresh of an account type goes to: the e-gold server for type 0,
// the Liberty Reserve API server for any other type.
std::string BalanceServerBase(const ServerConfig& servers, AccountType accountType);

}  // namespace nummora
