#include <gtest/gtest.h>
#include <sys/resource.h>

#include "common/secure_memory.h"

using namespace nummora;

TEST(SecureMemory, WipeEmptiesTheTextAndZeroesItsBuffer) {
  std::string secret = "correct horse battery staple";
  const char* data = secret.data();
  const size_t size = secret.size();
  SecureWipe(secret);
  EXPECT_TRUE(secret.empty());
  // The buffer is still owned by the string; every byte that held the secret is zero now.
  for (size_t i = 0; i < size; ++i) EXPECT_EQ(data[i], '\0') << "byte " << i;
}

TEST(SecureMemory, MovedFromSecretIsEmpty) {
  SecretString a(std::string("phrase-that-is-long-enough-to-allocate"));
  SecretString b(std::move(a));
  EXPECT_TRUE(a.str().empty());
  EXPECT_EQ(b.str(), "phrase-that-is-long-enough-to-allocate");
}

TEST(SecureMemory, CoreDumpsAreTurnedOff) {
  ASSERT_TRUE(DisableCoreDumps());
  struct rlimit limit {};
  ASSERT_EQ(getrlimit(RLIMIT_CORE, &limit), 0);
  EXPECT_EQ(limit.rlim_cur, 0u);
  EXPECT_EQ(limit.rlim_max, 0u);
}
