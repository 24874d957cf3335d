#pragma once
// Handling of secrets in memory: wiping the buffers the program owns and keeping secrets out
// of core dumps.
#include <string>

namespace nummora {

// Overwrites the bytes of a secret text with zeros and empties it. The write cannot be
// optimised away.
void SecureWipe(std::string& secret);

// Turns core dumps off for this process (RLIMIT_CORE 0 and not dumpable), so that a crash
// never writes passwords or pass phrases to disk. Returns false if the system refused.
bool DisableCoreDumps();

// A text that wipes itself when it goes out of scope; for passwords read from a terminal,
// pass phrases typed at a prompt and similar short-lived secrets.
class SecretString {
 public:
  SecretString() = default;
  explicit SecretString(std::string value) : value_(std::move(value)) {}
  SecretString(const SecretString&) = delete;
  SecretString& operator=(const SecretString&) = delete;
  SecretString(SecretString&& other) noexcept : value_(std::move(other.value_)) { SecureWipe(other.value_); }
  SecretString& operator=(SecretString&& other) noexcept;
  ~SecretString() { SecureWipe(value_); }

  const std::string& str() const { return value_; }
  std::string& str() { return value_; }

 private:
  std::string value_;
};

}  // namespace nummora
