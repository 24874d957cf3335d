#include "common/secure_memory.h"

#include <openssl/crypto.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace nummora {

void SecureWipe(std::string& secret) {
  if (!secret.empty()) OPENSSL_cleanse(secret.data(), secret.size());
  // The capacity beyond size() may still hold an older, longer value.
  if (secret.capacity() > secret.size()) {
    std::string::size_type used = secret.size();
    secret.resize(secret.capacity());
    OPENSSL_cleanse(secret.data() + used, secret.size() - used);
  }
  secret.clear();
}

bool DisableCoreDumps() {
  struct rlimit none = {0, 0};
  bool ok = setrlimit(RLIMIT_CORE, &none) == 0;
  ok = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && ok;
  return ok;
}

SecretString& SecretString::operator=(SecretString&& other) noexcept {
  if (this != &other) {
    SecureWipe(value_);
    value_ = std::move(other.value_);
    SecureWipe(other.value_);
  }
  return *this;
}

}  // namespace nummora
