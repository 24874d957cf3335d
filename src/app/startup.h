#pragma once
// The program's run from start to exit: link-scheme registration, the instance decision and
// hand-over, the login, the main window and the message loop.
#include <optional>
#include <string>

namespace nummora {

class NummoraApplication;

// `link` is the first command-line argument, if any. Returns the exit code.
int RunNummora(NummoraApplication& app, const std::optional<std::string>& link);

}  // namespace nummora
