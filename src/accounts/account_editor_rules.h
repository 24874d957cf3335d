#pragma once
// The checks the account editor makes before it closes with OK, and how it reads its
// refresh interval. Window-free.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/account_type.h"

namespace nummora {

struct AccountEditorInput {
  bool isNew = true;
  AccountType type = AccountType::LibertyReserve;
  std::string egoldName;  // eName
  std::string egoldId;    // eID
  std::string egoldPass;  // ePass
  std::string lrId;       // eLRID
  std::string lrPass;     // eLRPass
  std::string lrName;     // eLRName
  std::string lrApiName;  // eLRAPI
  bool every = false;     // eEvery
  std::string minutes;    // eMin

  ~AccountEditorInput();  // wipes the pass phrase and the security word
};

// The field a refusal puts the focus on.
enum class EditorField { eName, eID, ePass, eLRID, eLRPass, eLRName, eLRAPI, eMin };

struct EditorRefusal {
  EditorField field;
  std::string message;
};

inline constexpr const char* kMinutesOutOfRange = "The update interval must be from 0 to 65535 minutes!";

// The first refusal, or nothing when the editor may close with OK. `accountExists` is the
// main window's AccountExists (asked only for a new account). A text of the chosen page that
// holds "<" or ">" is refused with a message that names its field.
std::optional<EditorRefusal> CheckAccountEditor(const AccountEditorInput& input,
                                                const std::function<bool(const std::string&)>& accountExists);

// The Refresh value: 0 when "Update every" is not ticked, else the minutes read as a whole
// number, 10 when they do not read. Values outside 0..65535 are refused by CheckAccountEditor
// before this is used.
uint16_t EditorRefreshMinutes(bool every, const std::string& minutes);

}  // namespace nummora
