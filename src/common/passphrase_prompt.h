#pragma once
// Asking the user for an account's pass phrase (e-gold) or security word (Liberty Reserve).
// The network layer asks through this interface; the window layer provides the prompt (a
// dialog), and tests provide their own.
#include <cstddef>
#include <optional>
#include <string>

namespace nummora {

class PassphrasePrompt {
 public:
  virtual ~PassphrasePrompt() = default;
  // Main thread. The first pass phrase of at least `minimum` characters the user confirms for
  // the account `accountLabel` names, or nothing when the user gave up.
  virtual std::optional<std::string> Ask(const std::string& accountLabel, std::size_t minimum) = 0;
};

}  // namespace nummora
